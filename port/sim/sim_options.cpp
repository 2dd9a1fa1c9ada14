// SPDX-License-Identifier: MIT
#include "port/sim/sim_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iterator>
#include <optional>

#include "port/pacing/line_pacing.h"
#include "port/text/number_text.h"

namespace {

constexpr unsigned kMaxHold = 8;
constexpr unsigned kMaxSlowCallUs = 100'000;
constexpr unsigned kMaxSeed = 65535;
constexpr SimTime kNsPerUs = 1000;

constexpr unsigned kMaxRegister = 0xFFFF;

// Each parser takes the text after '=' and says whether it is one of the option's values.
bool ParseCompass(std::string_view value, SimOptions& options) {
    if (value == "turning") {
        options.compass = SimOptions::Compass::turning;
    } else if (value == "sweep") {
        options.compass = SimOptions::Compass::sweep;
    } else if (value == "off") {
        options.compass = SimOptions::Compass::off;
    } else if (ParseNumber(value, true, kMaxRegister, options.compass_raw)) {
        options.compass = SimOptions::Compass::fixed;
    } else {
        return false;
    }
    return true;
}

bool ParseThermometer(std::string_view value, SimOptions& options) {
    options.thermometer = value != "off";
    return !options.thermometer || ParseNumber(value, true, kMaxRegister, options.thermometer_raw);
}

bool ParseInputPort(std::string_view value, SimOptions& options) {
    options.input_port = value != "off";
    return !options.input_port || ParseNumber(value, true, 0xFF, options.input_port_pins);
}

bool ParseSda(std::string_view value, SimOptions& options) {
    options.sda_stuck_low = value == "stuck-low";
    return options.sda_stuck_low;
}

bool ParseCts(std::string_view value, SimOptions& options) {
    if (value == "stuck-high") {
        options.cts_report = CtsReport::always_on;
    } else if (value == "late") {
        options.cts_late = true;
    } else {
        return false;
    }
    return true;
}

bool ParseHold(std::string_view value, SimOptions& options) {
    return ParseNumber(value, true, kMaxHold, options.compass_hold) && options.compass_hold >= 1;
}

bool ParseAdapter(std::string_view value, SimOptions& options) {
    const Adapter* adapter = AdapterNamed(value);
    options.adapter = adapter != nullptr ? adapter : options.adapter;
    return adapter != nullptr;
}

bool ParseReport(std::string_view value, SimOptions& options) {
    unsigned milliseconds = 0;
    if (value == "off") {
        options.report_interval = 0;
    } else if (ParseNumber(value, false, kMaxReportIntervalMs, milliseconds) && milliseconds > 0) {
        options.report_interval = milliseconds * kNsPerMs;
    } else {
        return false;
    }
    return true;
}

bool ParseBroken(std::string_view value, SimOptions& options) {
    options.broken = value == "misread" ? SimOptions::Broken::misread : SimOptions::Broken::abandon;
    return value == "misread" || value == "abandon";
}

bool ParseSlow(std::string_view value, SimOptions& options) {
    unsigned microseconds = 0;
    const bool parsed = ParseNumber(value, false, kMaxSlowCallUs, microseconds) && microseconds > 0;
    options.slow_call = microseconds * kNsPerUs;
    return parsed;
}

bool ParseSeed(std::string_view value, SimOptions& options) {
    return ParseNumber(value, false, kMaxSeed, options.seed);
}

// One row per option: its name, the values it takes as the list of every option gives them,
// its parser, the values as a bad one's refusal lists them, and its line in the help (no
// values: the adapter table's names). A name not in the table is an unknown option.
struct SimOption {
    std::string_view name;
    std::string_view values;
    bool (*parse)(std::string_view value, SimOptions& options);
    std::string_view allowed;
    std::string_view help;
};

constexpr SimOption kSimOptions[] = {
    {"compass", "N|turning|sweep|off", ParseCompass, "0-65535 or 0x0-0xFFFF, turning, sweep, off",
     "bearing register, or no compass"},
    {"thermo", "N|off", ParseThermometer, "0-65535 or 0x0-0xFFFF, off",
     "temperature register, or no thermometer"},
    {"inport", "N|off", ParseInputPort, "0-255 or 0x0-0xFF, off",
     "the input port's pins, or no input port"},
    {"sda", "stuck-low", ParseSda, "stuck-low", "something holds SDA low"},
    {"cts", "stuck-high|late", ParseCts, "stuck-high, late", "the adapter misreports SDA"},
    {"hold", "1-8", ParseHold, "1-8 clocks",
     "the compass was cut off mid-read: clocks until it lets go"},
    {"adapter", {}, ParseAdapter, {}, "(default native)"},
    {"report", "MS|off", ParseReport, "1-250 ms, off",
     "1-250 ms between the modem status reports of an adapter that\n"
     "sends them; on another, a driver keeping the status this long"},
    {"broken", "abandon|misread", ParseBroken, "abandon, misread",
     "what a chip does when the timing breaks a minimum"},
    {"slow", "US", ParseSlow, "1-100000 us", "one call in eight takes US longer"},
    {"seed", "N", ParseSeed, "0-65535", "for the irregular parts"},
};

std::string NameValues(const SimOption& option) {
    const std::string values =
        option.values.empty() ? AdapterNames("|") : std::string(option.values);
    return std::string(option.name) + "=" + values;
}

std::string BadValue(const SimOption& option, std::string_view value) {
    const std::string allowed =
        option.allowed.empty() ? AdapterNames(", ") : std::string(option.allowed);
    return "bad value '" + std::string(value) + "' for " + std::string(option.name) +
           " (allowed: " + allowed + ")";
}

// Every option as NAME=VALUES, for a refusal to say what is allowed.
std::string Allowed() {
    std::string allowed;
    for (const SimOption& option : kSimOptions) {
        allowed += (allowed.empty() ? "" : ", ") + NameValues(option);
    }
    return allowed;
}

// The option's row in kSimOptions, or nothing when there is no such option.
std::optional<std::size_t> OptionIndex(std::string_view key) {
    for (std::size_t index = 0; index < std::size(kSimOptions); ++index) {
        if (key == kSimOptions[index].name) {
            return index;
        }
    }
    return std::nullopt;
}

// The options that only go together with others.
std::string CheckCombination(const SimOptions& options) {
    if (options.compass_hold > 0 && options.compass == SimOptions::Compass::off) {
        return "hold=" + std::to_string(options.compass_hold) +
               " needs the compass on the bus (allowed: hold=1-8 without compass=off)";
    }
    // On an adapter whose driver reads the status fresh, report= keeps it as a driver
    // that caches it does.
    if (options.report_interval && options.adapter->cts == CtsReport::always_on) {
        return "report= needs an adapter that reports CTS (allowed: any adapter but " +
               AdapterNames(", ", CtsReport::always_on) + ")";
    }
    if (options.report_interval == 0 && options.adapter->cts != CtsReport::polled) {
        return "report=off needs an adapter that reports its status by itself (allowed: "
               "adapter=" +
               AdapterNames(" or adapter=", CtsReport::polled) + ")";
    }
    return {};
}

}  // namespace

std::string ParseSimOptions(std::string_view text, SimOptions& options) {
    if (text.empty()) {
        return {};
    }
    std::array<bool, std::size(kSimOptions)> given{};
    // Every comma separates two options: none may be empty, first, last or in between.
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        start = comma + 1;
        if (item.empty()) {
            return "empty option in '" + std::string(text) + "' (allowed: " + Allowed() + ")";
        }
        const std::size_t equals = item.find('=');
        const std::optional<std::size_t> index = OptionIndex(item.substr(0, equals));
        if (equals == std::string_view::npos || !index) {
            return "unknown option '" + std::string(item) + "' (allowed: " + Allowed() + ")";
        }
        const SimOption& option = kSimOptions[*index];
        if (given[*index]) {
            return std::string(option.name) + " given twice (allowed: each option once)";
        }
        given[*index] = true;
        const std::string_view value = item.substr(equals + 1);
        if (!option.parse(value, options)) {
            return BadValue(option, value);
        }
    }
    return CheckCombination(options);
}

bool NamesSimulator(std::string_view port) {
    const auto same_letter = [](char given, char lower) {
        return std::tolower(static_cast<unsigned char>(given)) == lower;
    };
    return std::ranges::equal(port.substr(0, port.find(':')), std::string_view("sim"), same_letter);
}

std::string ParseSimPort(std::string_view port, SimOptions& options) {
    if (port.substr(0, 3) != "sim") {
        return "the simulated bus is named in lower case (allowed: sim, sim:OPTIONS)";
    }
    if (port == "sim:") {
        return "no options after 'sim:' (allowed: " + Allowed() + ")";
    }
    return ParseSimOptions(port.substr(port.size() > 3 ? 4 : 3), options);
}

std::vector<std::pair<std::string, std::string_view>> SimOptionsHelp() {
    std::vector<std::pair<std::string, std::string_view>> lines;
    for (const SimOption& option : kSimOptions) {
        lines.emplace_back(NameValues(option), option.help);
    }
    return lines;
}
