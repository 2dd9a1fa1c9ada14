// SPDX-License-Identifier: MIT
// Reading back the fake serial terminal's call log (KOLVANER_FAKE_LOG) in tests.
#pragma once

#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> FakeTtyLog(const std::string& path) {
    std::ifstream log(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    return lines;
}

// TIOCMBIS, TIOCMBIC or TIOCMGET: one call per line change or sample.
inline bool IsModemLineCall(const std::string& line) {
    return line.rfind("ioctl TIOCMBIS", 0) == 0 || line.rfind("ioctl TIOCMBIC", 0) == 0 ||
           line.rfind("ioctl TIOCMGET", 0) == 0;
}
