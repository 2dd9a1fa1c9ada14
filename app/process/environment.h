// SPDX-License-Identifier: MIT
// Environment variables of this process, set and cleared the same way on POSIX and Windows.
#pragma once

#include <string>

void SetEnvironment(const char* name, const std::string& value);
void ClearEnvironment(const char* name);
