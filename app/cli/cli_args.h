// Command line of kolvaner-cli.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CliCommand {
    enum class Action { help, bearing, temperature, input, scan, check, recover };
    Action action = Action::help;
    int address = 0x20;  // input: the port's 7-bit address
    int count = 1;       // 0: until interrupted; check and recover run once
    int interval_ms = 500;
    std::optional<std::string> port;
    std::optional<std::string> trace;
};

extern const char kCliUsage[];

// Reads the arguments after the program name. Empty on success, otherwise a message
// naming the bad argument.
std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command);
