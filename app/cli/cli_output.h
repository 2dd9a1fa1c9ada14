// SPDX-License-Identifier: MIT
// What a kolvaner-cli command gives for stdout, and how it formats it.
//
// How kolvaner-cli reports failure: a parse step returns an empty string or one line naming
// the bad value; a command run returns a RunOutput whose failure says why there is no text;
// the port's and the trace's reasons come from port/port_status.h. main prints each as
// "kolvaner-cli: REASON" on stderr once and exits 0 on success, 1 on failure, 2 on bad usage,
// 128 + N after signal N.
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
