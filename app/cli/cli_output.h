// What a kolvaner-cli command gives for stdout, and how it formats it.
#pragma once

#include <cstdio>
#include <string>

// What one run of a command gives: the text for stdout, or why there is none.
struct Reading {
    std::string text;
    std::string failure;
};

// printf's formatting into a string, for the short lines and cells the commands print.
template <typename... Values>
std::string Formatted(const char* format, Values... values) {
    char text[80];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}
