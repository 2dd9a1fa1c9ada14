// SPDX-License-Identifier: MIT
// What OPENCOM opens: the settings text handed to it, e.g. "COM1:9600,N,8,1", and the
// configuration a program hands the port before: which port, how fast, what trace.
#pragma once

#include <string>
#include <string_view>

#include "port/pacing/line_pacing.h"

struct PortConfig {
    std::string port;  // a device, a Windows port name or sim[:OPTIONS]; empty: COMn
    int clock_khz = kDefaultClockKhz;
    std::string trace;  // a file for the bus trace; empty: none
    // A setting that cannot be used, named with its value: OPENCOM refuses with it.
    std::string problem;
};

// KOLVANER_PORT, KOLVANER_CLOCK and KOLVANER_TRACE, as the programs document them; unset
// or empty, the default.
PortConfig PortConfigFromEnvironment();
// Kept by the port for every OPENCOM from now on. A program that hands none gets the
// environment's, read at its first OPENCOM.
void ConfigurePort(const PortConfig& config);

struct PortSettings {
    int port_number = 1;  // COMn
    int baud = 9600;
    char parity = 'N';  // N, E or O
    int data_bits = 8;
    int stop_bits = 1;
};

// Empty on success, otherwise what is wrong with the text.
std::string ParsePortSettings(std::string_view text, PortSettings& settings);

// The platform's device for COMn: /dev/ttyS<n-1> on POSIX, \\.\COMn on Windows.
std::string DefaultDevice(int port_number);
