// SPDX-License-Identifier: MIT
// A port name as the user gave it, cleaned the same for every way it comes in.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

// A port name as the user gave it (KOLVANER_PORT, --port), without the spaces around it
// (cmd's "set KOLVANER_PORT=COM4 && ..." keeps the one before "&&") and without a trailing
// colon ("COM3:", as DOS named its devices). Empty when nothing is left.
inline std::string CleanPortName(std::string_view name) {
    constexpr std::string_view kSpaces = " \t";
    name.remove_prefix(std::min(name.find_first_not_of(kSpaces), name.size()));
    name = name.substr(0, name.find_last_not_of(kSpaces) + 1);
    if (!name.empty() && name.back() == ':') {
        name.remove_suffix(1);
        name = name.substr(0, name.find_last_not_of(kSpaces) + 1);
    }
    return std::string(name);
}
