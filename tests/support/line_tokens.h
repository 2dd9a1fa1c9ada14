// SPDX-License-Identifier: MIT
// The recording port's tokens (tests/support/recording_port.h) the master's operations
// should leave, built the way the bus builds them, for the *_lines_test files to compare.
#pragma once

#include <string>
#include <vector>

inline const std::string kStart = "D0 R0";
inline const std::string kStop = "R0 D0 R1 D1";
inline const std::string kNoAck = "R0 D1 R1 w R0";
// The acknowledge clock of a byte written: SDA released, one sample with the clock high.
inline const std::string kAckSample = "D1 R1 w C R0";

inline std::string Joined(const std::vector<std::string>& parts) {
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : " ") + part;
    }
    return joined;
}

// The part times over, each after a space.
inline std::string Repeated(const std::string& part, int times) {
    std::string joined;
    for (int time = 0; time < times; ++time) {
        joined += " " + part;
    }
    return joined;
}

// One data clock of a byte write: the data level, then a clock pulse with a delay.
inline std::string WriteClock(int bit) {
    return "D" + std::to_string(bit) + " R1 w R0";
}

// A byte written, most significant bit first, and its acknowledge clock.
inline std::string WriteByte(int value) {
    std::vector<std::string> clocks;
    for (int bit = 7; bit >= 0; --bit) {
        clocks.push_back(WriteClock((value >> bit) & 1));
    }
    clocks.push_back(kAckSample);
    return Joined(clocks);
}

// A byte read: SDA released, then eight clocks with a sample each.
inline std::string ReadByte() {
    return "R0 D1" + Repeated("R1 w C R0", 8);
}
