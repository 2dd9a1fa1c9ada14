// SPDX-License-Identifier: MIT
// What OPENCOM opens: the settings text handed to it, e.g. "COM1:9600,N,8,1", and the
// configuration a program hands the port before: which port, how fast, what trace.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "port/pacing/line_pacing.h"
#include "port/sim/sim_options.h"

// Each setting read once, by ReadPortName or ParseClockKhz, from the program's option or,
// without one, its variable; a bad one is kept with its message for OPENCOM to refuse with.
struct PortConfig {
    // A device, a Windows port name or sim[:OPTIONS], without the spaces around it or a
    // colon after it; empty: COMn.
    std::string port;
    std::optional<SimOptions> sim;  // the options, when port names the simulated bus
    std::string port_problem;
    int clock_khz = kDefaultClockKhz;
    std::string clock_problem;
    std::string trace;  // a file for the bus trace; empty: none

    // What OPENCOM refuses with: the clock's problem first, then the port's.
    const std::string& Problem() const {
        return !clock_problem.empty() ? clock_problem : port_problem;
    }
};

// Reads the port named in source (KOLVANER_PORT, --port) into config.port and config.sim.
// Empty on success, otherwise "bad SOURCE 'GIVEN': REASON", kept in config.port_problem.
std::string ReadPortName(std::string_view source, std::string_view given, PortConfig& config);

// KOLVANER_PORT, KOLVANER_CLOCK and KOLVANER_TRACE, as the programs document them; unset
// or empty, the default. A port given (the window's last --port) is read instead of
// KOLVANER_PORT.
PortConfig PortConfigFromEnvironment(const std::optional<std::string>& port = std::nullopt);
// A port named in code, by a test or a benchmark, read as --port reads it.
PortConfig PortConfigFor(std::string_view port, int clock_khz = kDefaultClockKhz,
                         std::string trace = {});
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
