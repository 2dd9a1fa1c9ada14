// SPDX-License-Identifier: MIT
// Numbers as a user writes them in a port name or on the command line.
#pragma once

#include <charconv>
#include <string_view>

// Decimal digits, or 0x and hex digits where hex is allowed; no sign, no space, nothing
// after, at most max. Read unsigned, so "-0" and "0x-0" are refused like any other sign.
template <typename Number>
bool ParseNumber(std::string_view text, bool hex_allowed, unsigned max, Number& value) {
    int base = 10;
    if (hex_allowed && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned number = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number, base);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end || number > max) {
        return false;
    }
    value = static_cast<Number>(number);
    return true;
}
