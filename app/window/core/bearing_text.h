// SPDX-License-Identifier: MIT
// The text Label1 shows for a bearing: at least three digits, then the degree sign.
#pragma once

#include <cstdint>
#include <string>

// In UTF-8: 0 -> "000°", 45 -> "045°", 6554 -> "6554°"; a minus sign goes before the zeros.
std::string BearingText(std::int32_t bearing);
