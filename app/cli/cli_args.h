// SPDX-License-Identifier: MIT
// Command line of kolvaner-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "port/port_settings.h"

struct CliCommand {
    enum class Action {
        help,
        version,
        bearing,
        temperature,
        input,
        scan,
        check,
        recover,
        ports,
        get,
        set,
        dump,
        i2c
    };
    Action action = Action::help;
    std::uint8_t address = 0x20;  // input, get, set, dump: the device's 7-bit address
    std::optional<std::uint8_t> first_register;  // get: none for a plain read
    int bytes = 1;                               // get: how many to read
    std::vector<std::uint8_t> data;              // set: register or command first
    int count = 1;                               // 0: until interrupted; check and recover run once
    int interval_ms = 500;
    // The port's settings: the environment's as they come in, each option in its place.
    PortConfig config;
    std::optional<int> bus;            // i2c: the adapter number served
    std::vector<std::string> program;  // i2c: the command and its arguments
};

// The help text; its options come from the option table.
const std::string& CliUsage();
extern const char kCliVersion[];

// Reads the arguments after the program name into command, keeping command.config but for
// the settings the options give. Empty on success, otherwise one line naming the bad
// argument.
std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command);
