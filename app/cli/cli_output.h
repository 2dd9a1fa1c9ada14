// SPDX-License-Identifier: MIT
// What a kolvaner-cli command gives for stdout, and how it formats it.
#pragma once

#include <cstdio>
#include <string>

// What one run of a command gives: the text for stdout, or why there is none.
struct RunOutput {
    std::string text;
    std::string failure;
};

// printf's formatting into a string of whatever length it takes.
template <typename... Values>
std::string Formatted(const char* format, Values... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}
