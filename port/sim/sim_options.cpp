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
constexpr SimTime kNsPerMs = 1'000'000;

constexpr unsigned kMaxRegister = 0xFFFF;

std::string BadValue(std::string_view value, const char* option, const char* allowed) {
    return "bad value '" + std::string(value) + "' for " + option + " (allowed: " + allowed + ")";
}

std::string ParseCompass(std::string_view value, SimOptions& options) {
    if (value == "turning") {
        options.compass = SimOptions::Compass::turning;
    } else if (value == "sweep") {
        options.compass = SimOptions::Compass::sweep;
    } else if (value == "off") {
        options.compass = SimOptions::Compass::off;
    } else if (ParseNumber(value, true, kMaxRegister, options.compass_raw)) {
        options.compass = SimOptions::Compass::fixed;
    } else {
        return BadValue(value, "compass", "0-65535 or 0x0-0xFFFF, turning, sweep, off");
    }
    return {};
}

std::string ParseThermometer(std::string_view value, SimOptions& options) {
    if (value == "off") {
        options.thermometer = false;
    } else if (ParseNumber(value, true, kMaxRegister, options.thermometer_raw)) {
        options.thermometer = true;
    } else {
        return BadValue(value, "thermo", "0-65535 or 0x0-0xFFFF, off");
    }
    return {};
}

std::string ParseInputPort(std::string_view value, SimOptions& options) {
    if (value == "off") {
        options.input_port = false;
    } else if (ParseNumber(value, true, 0xFF, options.input_port_pins)) {
        options.input_port = true;
    } else {
        return BadValue(value, "inport", "0-255 or 0x0-0xFF, off");
    }
    return {};
}

std::string ParseSda(std::string_view value, SimOptions& options) {
    if (value != "stuck-low") {
        return BadValue(value, "sda", "stuck-low");
    }
    options.sda_stuck_low = true;
    return {};
}

std::string ParseCts(std::string_view value, SimOptions& options) {
    if (value == "stuck-high") {
        options.cts_report = CtsReport::always_on;
    } else if (value == "late") {
        options.cts_late = true;
    } else {
        return BadValue(value, "cts", "stuck-high, late");
    }
    return {};
}

std::string ParseHold(std::string_view value, SimOptions& options) {
    if (!ParseNumber(value, true, kMaxHold, options.compass_hold) || options.compass_hold < 1) {
        return BadValue(value, "hold", "1-8 clocks");
    }
    return {};
}

std::string ParseAdapter(std::string_view value, SimOptions& options) {
    const Adapter* adapter = AdapterNamed(value);
    if (adapter == nullptr) {
        return BadValue(value, "adapter", AdapterNames(", ").c_str());
    }
    options.adapter = adapter;
    return {};
}

std::string ParseReport(std::string_view value, SimOptions& options) {
    unsigned milliseconds = 0;
    if (value == "off") {
        options.report_interval = 0;
    } else if (ParseNumber(value, false, kMaxReportIntervalMs, milliseconds) && milliseconds > 0) {
        options.report_interval = milliseconds * kNsPerMs;
    } else {
        return BadValue(value, "report", "1-250 ms, off");
    }
    return {};
}

std::string ParseBroken(std::string_view value, SimOptions& options) {
    if (value == "abandon") {
        options.broken = SimOptions::Broken::abandon;
    } else if (value == "misread") {
        options.broken = SimOptions::Broken::misread;
    } else {
        return BadValue(value, "broken", "abandon, misread");
    }
    return {};
}

std::string ParseSlow(std::string_view value, SimOptions& options) {
    unsigned microseconds = 0;
    if (!ParseNumber(value, false, kMaxSlowCallUs, microseconds) || microseconds == 0) {
        return BadValue(value, "slow", "1-100000 us");
    }
    options.slow_call = microseconds * kNsPerUs;
    return {};
}

std::string ParseSeed(std::string_view value, SimOptions& options) {
    if (!ParseNumber(value, false, kMaxSeed, options.seed)) {
        return BadValue(value, "seed", "0-65535");
    }
    return {};
}

// One row per option: its name, the values it takes as the refusals list them (none: the
// adapter table's names), its parser and its line in the help. A name not in the table is an
// unknown option.
struct SimOption {
    std::string_view name;
    std::string_view values;
    std::string (*parse)(std::string_view value, SimOptions& options);
    std::string_view help;
};

constexpr SimOption kSimOptions[] = {
    {"compass", "N|turning|sweep|off", ParseCompass, "bearing register, or no compass"},
    {"thermo", "N|off", ParseThermometer, "temperature register, or no thermometer"},
    {"inport", "N|off", ParseInputPort, "the input port's pins, or no input port"},
    {"sda", "stuck-low", ParseSda, "something holds SDA low"},
    {"cts", "stuck-high|late", ParseCts, "the adapter misreports SDA"},
    {"hold", "1-8", ParseHold, "the compass was cut off mid-read: clocks until it lets go"},
    {"adapter", {}, ParseAdapter, "(default native)"},
    {"report", "MS|off", ParseReport,
     "1-250 ms between the modem status reports of an adapter that\n"
     "sends them; on another, a driver keeping the status this long"},
    {"broken", "abandon|misread", ParseBroken, "what a chip does when the timing breaks a minimum"},
    {"slow", "US", ParseSlow, "one call in eight takes US longer"},
    {"seed", "N", ParseSeed, "for the irregular parts"},
};

std::string NameValues(const SimOption& option) {
    const std::string values =
        option.values.empty() ? AdapterNames("|") : std::string(option.values);
    return std::string(option.name) + "=" + values;
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

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t index = 0; index < prefix.size(); ++index) {
        if (std::tolower(static_cast<unsigned char>(text[index])) != prefix[index]) {
            return false;
        }
    }
    return true;
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
        if (std::string error = option.parse(item.substr(equals + 1), options); !error.empty()) {
            return error;
        }
    }
    return CheckCombination(options);
}

bool NamesSimulator(std::string_view port) {
    return StartsWithNoCase(port, "sim") && (port.size() == 3 || port[3] == ':');
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
