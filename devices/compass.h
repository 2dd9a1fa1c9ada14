// SPDX-License-Identifier: MIT
// Electronic compass module at 7-bit address 0x60: registers 2 and 3 hold the bearing in
// tenths of a degree, high byte first.
#pragma once

#include <cstdint>

// The bearing in whole degrees, 0-6554 (6554 when nothing answers).
std::int32_t ReadBearing();
