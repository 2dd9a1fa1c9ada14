// SPDX-License-Identifier: MIT
// kolvaner-cli's arguments (NUL-separated in the input): a clear error or a valid command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/cli/cli_args.h"
#include "port/sim/sim_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        args.push_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    CliCommand command;
    const std::string error = ParseCliArgs(args, command);
    if (!error.empty()) {
        return 0;
    }
    const bool in_range = command.count >= 0 && command.count <= 1'000'000'000 &&
                          command.interval_ms >= 0 && command.interval_ms <= 86'400'000 &&
                          command.address <= 127 && command.bytes >= 1 && command.bytes <= 32 &&
                          command.data.size() <= 64;
    // A port the command line accepts is named, and a simulator one the port layer opens.
    const PortConfig& config = command.config;
    const bool port_read =
        config.Problem().empty() && config.sim.has_value() == NamesSimulator(config.port);
    if (!in_range || !port_read) {
        std::abort();
    }
    return 0;
}
