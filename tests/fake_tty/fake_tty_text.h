// SPDX-License-Identifier: MIT
// How the fake serial terminal's log names open flags, terminal settings and modem calls.
#pragma once

#include <termios.h>

#include <string>

std::string OpenFlagsText(int flags);
std::string SettingsText(const termios& settings);
const char* ModemRequestName(unsigned long request);
