// SPDX-License-Identifier: MIT
// DS1621-type thermometer at 7-bit address 0x48 (address bytes 0x90 and 0x91).
// Like every reader in devices/, it always returns a value: a fixed one when nothing
// answers (here 0), with MissedAddress (bus/i2c_bus.h) naming the address.
#pragma once

// The temperature in whole degrees Celsius; 0 when nothing answers.
double ReadTemperature();
