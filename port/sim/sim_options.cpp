#include "port/sim/sim_options.h"

#include <charconv>

namespace {

constexpr char kAllowed[] =
    "compass=N|turning|off, thermo=N|off, inport=N|off, sda=stuck-low, cts=stuck-high|late, "
    "hold=1-8";
constexpr int kMaxHold = 8;

// Decimal or 0x hex, 0-65535.
bool ParseRegisterValue(std::string_view text, std::uint16_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return !text.empty() && result.ec == std::errc{} && result.ptr == end;
}

std::string BadValue(std::string_view value, const char* option, const char* allowed) {
    return "bad value '" + std::string(value) + "' for " + option + " (allowed: " + allowed + ")";
}

std::string ParseCompass(std::string_view value, SimOptions& options) {
    if (value == "turning") {
        options.compass = SimOptions::Compass::turning;
    } else if (value == "off") {
        options.compass = SimOptions::Compass::off;
    } else if (ParseRegisterValue(value, options.compass_raw)) {
        options.compass = SimOptions::Compass::fixed;
    } else {
        return BadValue(value, "compass", "0-65535 or 0x0-0xFFFF, turning, off");
    }
    return {};
}

std::string ParseThermometer(std::string_view value, SimOptions& options) {
    if (value == "off") {
        options.thermometer = false;
    } else if (ParseRegisterValue(value, options.thermometer_raw)) {
        options.thermometer = true;
    } else {
        return BadValue(value, "thermo", "0-65535 or 0x0-0xFFFF, off");
    }
    return {};
}

std::string ParseInputPort(std::string_view value, SimOptions& options) {
    std::uint16_t pins = 0;
    if (value == "off") {
        options.input_port = false;
    } else if (ParseRegisterValue(value, pins) && pins <= 0xFF) {
        options.input_port = true;
        options.input_port_pins = static_cast<std::uint8_t>(pins);
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
        options.cts = SimOptions::Cts::stuck_high;
    } else if (value == "late") {
        options.cts = SimOptions::Cts::late;
    } else {
        return BadValue(value, "cts", "stuck-high, late");
    }
    return {};
}

std::string ParseHold(std::string_view value, SimOptions& options) {
    std::uint16_t clocks = 0;
    if (!ParseRegisterValue(value, clocks) || clocks < 1 || clocks > kMaxHold) {
        return BadValue(value, "hold", "1-8 clocks");
    }
    options.compass_hold = clocks;
    return {};
}

std::string ParseOption(std::string_view key, std::string_view value, SimOptions& options) {
    if (key == "compass") {
        return ParseCompass(value, options);
    }
    if (key == "thermo") {
        return ParseThermometer(value, options);
    }
    if (key == "inport") {
        return ParseInputPort(value, options);
    }
    if (key == "sda") {
        return ParseSda(value, options);
    }
    if (key == "cts") {
        return ParseCts(value, options);
    }
    return ParseHold(value, options);
}

bool IsKnownOption(std::string_view key) {
    for (const std::string_view known : {"compass", "thermo", "inport", "sda", "cts", "hold"}) {
        if (key == known) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ParseSimOptions(std::string_view text, SimOptions& options) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
        const std::size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        if (equals == std::string_view::npos || !IsKnownOption(key)) {
            return "unknown option '" + std::string(item) + "' (allowed: " + kAllowed + ")";
        }
        if (std::string error = ParseOption(key, item.substr(equals + 1), options);
            !error.empty()) {
            return error;
        }
    }
    if (options.compass_hold > 0 && options.compass == SimOptions::Compass::off) {
        return "hold=" + std::to_string(options.compass_hold) +
               " needs the compass on the bus (allowed: hold=1-8 without compass=off)";
    }
    return {};
}
