// SPDX-License-Identifier: MIT
// Options of the simulated bus: KOLVANER_PORT=sim:compass=450,thermo=0xE700 and the like.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "port/pacing/adapters.h"
#include "port/sim/sim_adapter.h"

struct SimOptions {
    enum class Compass { turning, sweep, fixed, off };
    Compass compass = Compass::turning;
    std::uint16_t compass_raw = 0;  // tenths of a degree, for Compass::fixed
    bool thermometer = true;
    std::uint16_t thermometer_raw = 0x1980;  // temperature register, 25.5 degrees
    bool input_port = true;
    std::uint8_t input_port_pins = 0xFF;
    // Faults, for trying out the line check and the bus clear.
    bool sda_stuck_low = false;  // something holds SDA low for good
    // cts=stuck-high: CTS reads high whatever SDA does, as through a driver that reports
    // it always on; otherwise the adapter's own way.
    std::optional<CtsReport> cts_report;
    bool cts_late = false;  // cts=late: each CTS read answers what the one before it saw
    int compass_hold = 0;   // the compass was cut off mid-read: clocks until it lets go
    // What a chip does with a transaction whose timing breaks a standard-mode minimum: drop
    // it, or go on with the bit of the broken edge taken wrong.
    enum class Broken { abandon, misread };
    Broken broken = Broken::abandon;
    // The serial adapter between the program and the bus, and for one that reports its
    // modem status by itself, how often it does (0: never).
    const Adapter* adapter = AdapterNamed("native");
    std::optional<SimTime> report_interval;
    // One call in eight, chosen at random, takes this much longer before its line changes,
    // as a preempted process's or a busy driver's does.
    SimTime slow_call = 0;
    // Seeds the irregular parts: when reports come and how late, which calls are slow.
    std::uint32_t seed = 1;
};

// Reads a comma-separated option list into options: each option once, none empty. Empty
// on success, otherwise one line naming the bad option and what is allowed.
std::string ParseSimOptions(std::string_view text, SimOptions& options);

// The port name means the simulated bus: "sim" or "sim:..." in any case. A device path never
// looks like that.
bool NamesSimulator(std::string_view port);
// Reads "sim" or "sim:OPTIONS" into options; empty on success, otherwise what is wrong with
// it ("SIM" too: the name is lower case).
std::string ParseSimPort(std::string_view port, SimOptions& options);

// Each option as NAME=VALUES and what it does, a '\n' in the help going on under it.
std::vector<std::pair<std::string, std::string_view>> SimOptionsHelp();
