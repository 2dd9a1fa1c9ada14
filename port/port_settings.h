// SPDX-License-Identifier: MIT
// The settings text handed to OPENCOM, e.g. "COM1:9600,N,8,1".
#pragma once

#include <string>
#include <string_view>

struct PortSettings {
    int port_number = 1;  // COMn
    int baud = 9600;
    char parity = 'N';  // N, E or O
    int data_bits = 8;
    int stop_bits = 1;
};

// Empty on success, otherwise what is wrong with the text.
std::string ParsePortSettings(std::string_view text, PortSettings& settings);

// A port name as the user gave it (KOLVANER_PORT, --port), without the spaces around it
// (cmd's "set KOLVANER_PORT=COM4 && ..." keeps the one before "&&") and without a trailing
// colon ("COM3:", as DOS named its devices). Empty when nothing is left.
std::string CleanPortName(std::string_view name);

// The platform's device for COMn: /dev/ttyS<n-1> on POSIX, \\.\COMn on Windows.
std::string DefaultDevice(int port_number);
