// SPDX-License-Identifier: MIT
#include "port/port_settings.h"
#include "port/text/number_text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <utility>

namespace {

constexpr unsigned kMaxPortNumber = 256;

// Splits "a,b,c,d" into exactly four fields.
bool SplitFields(std::string_view text, std::array<std::string_view, 4>& fields) {
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const std::size_t comma = text.find(',');
        const bool last = index + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) {
            return false;
        }
        fields[index] = text.substr(0, comma);
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return true;
}

// A port name as the user gave it (KOLVANER_PORT, --port), without the spaces around it
// (cmd's "set KOLVANER_PORT=COM4 && ..." keeps the one before "&&") and without a trailing
// colon ("COM3:", as DOS named its devices). Empty when nothing is left.
std::string CleanPortName(std::string_view name) {
    constexpr std::string_view kSpaces = " \t";
    name.remove_prefix(std::min(name.find_first_not_of(kSpaces), name.size()));
    name = name.substr(0, name.find_last_not_of(kSpaces) + 1);
    if (!name.empty() && name.back() == ':') {
        name.remove_suffix(1);
        name = name.substr(0, name.find_last_not_of(kSpaces) + 1);
    }
    return std::string(name);
}

}  // namespace

std::string ParsePortSettings(std::string_view text, PortSettings& settings) {
    const std::string quoted = "'" + std::string(text) + "'";
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    std::array<std::string_view, 4> fields;
    if (colon == std::string_view::npos || name.substr(0, 3) != "COM" ||
        !ParseNumber(name.substr(3), false, kMaxPortNumber, settings.port_number) ||
        settings.port_number < 1 || !SplitFields(text.substr(colon + 1), fields)) {
        return "bad port settings " + quoted + " (want COMn:BAUD,PARITY,DATA,STOP)";
    }
    if (!ParseNumber(fields[0], false, INT_MAX, settings.baud) || settings.baud <= 0) {
        return "bad baud rate in " + quoted;
    }
    if (fields[1] != "N" && fields[1] != "E" && fields[1] != "O") {
        return "bad parity in " + quoted + " (N, E or O)";
    }
    settings.parity = fields[1][0];
    if (!ParseNumber(fields[2], false, 8, settings.data_bits) || settings.data_bits < 5) {
        return "bad data bits in " + quoted + " (5-8)";
    }
    if (!ParseNumber(fields[3], false, 2, settings.stop_bits) || settings.stop_bits < 1) {
        return "bad stop bits in " + quoted + " (1 or 2)";
    }
    return {};
}

std::string DefaultDevice(int port_number) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(port_number);
#else
    return "/dev/ttyS" + std::to_string(port_number - 1);
#endif
}

std::string ReadPortName(std::string_view source, std::string_view given, PortConfig& config) {
    config.port = CleanPortName(given);
    config.sim.reset();
    config.port_problem.clear();
    if (NamesSimulator(config.port)) {
        if (std::string error = ParseSimPort(config.port, config.sim.emplace()); !error.empty()) {
            // No half-read options for a port that is refused.
            config.sim.reset();
            config.port_problem =
                "bad " + std::string(source) + " '" + std::string(given) + "': " + std::move(error);
        }
    }
    return config.port_problem;
}

PortConfig PortConfigFromEnvironment(const std::optional<std::string>& port) {
    const auto setting = [](const char* name) -> std::string_view {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    };
    PortConfig config;
    ReadPortName(port ? "--port" : "KOLVANER_PORT", port ? *port : setting("KOLVANER_PORT"),
                 config);
    config.trace = setting("KOLVANER_TRACE");
    if (const std::string_view clock = setting("KOLVANER_CLOCK"); !clock.empty()) {
        config.clock_problem = ParseClockKhz("KOLVANER_CLOCK", clock, config.clock_khz);
    }
    return config;
}

PortConfig PortConfigFor(std::string_view port, int clock_khz, std::string trace) {
    PortConfig config;
    config.clock_khz = clock_khz;
    config.trace = std::move(trace);
    ReadPortName("--port", port, config);
    return config;
}
