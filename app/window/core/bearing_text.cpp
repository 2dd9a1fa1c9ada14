// SPDX-License-Identifier: MIT
#include "app/window/core/bearing_text.h"

#include <cstdlib>

std::string BearingText(std::int32_t bearing) {
    constexpr std::size_t kMinimumDigits = 3;
    // Widened first: the magnitude of the lowest 32-bit value does not fit in 32 bits.
    const std::string digits = std::to_string(std::llabs(static_cast<std::int64_t>(bearing)));
    std::string text = bearing < 0 ? "-" : "";
    if (digits.size() < kMinimumDigits) {
        text.append(kMinimumDigits - digits.size(), '0');
    }
    return text + digits + "\u00B0";
}
