// SPDX-License-Identifier: MIT
// Electronic compass module at 7-bit address 0x60: registers 2 and 3 hold the bearing in
// tenths of a degree, high byte first.
// Like every reader in devices/, it always returns a value: a fixed one when nothing
// answers (here 6554), with MissedAddress (bus/i2c_bus.h) naming the address.
#pragma once

#include <cstdint>

// The bearing in whole degrees, 0-6554 (6554 when nothing answers).
std::int32_t ReadBearing();
