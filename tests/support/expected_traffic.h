// SPDX-License-Identifier: MIT
// Transactions as ReadVcd decodes them (tests/support/vcd_i2c.h), for tests that compare a
// read's traffic on the simulated bus.
#pragma once

#include <string>
#include <vector>

// One temperature read of the simulated thermometer at its default 25.5 degrees: four
// commands without the not-acknowledge clock, then 0x19 and 0x80, each in a read of its own.
inline const std::vector<std::string> kTemperatureRead = {
    "S 90A ACA P", "S 90A 22A P", "S 90A EEA P", "S 90A AAA P", "S 91A 19N P", "S 91A 80N P",
};
