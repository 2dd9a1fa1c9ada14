// SPDX-License-Identifier: MIT
// A path in the system's temporary directory, one per test process and name.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("kolvaner-" + std::to_string(getpid()) + "-" + name))
        .string();
}
