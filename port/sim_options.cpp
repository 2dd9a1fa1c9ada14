#include "port/sim_options.h"

#include <charconv>

namespace {

constexpr char kAllowed[] = "compass=N|turning|off";

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

std::string ParseCompass(std::string_view value, SimOptions& options) {
    if (value == "turning") {
        options.compass = SimOptions::Compass::turning;
    } else if (value == "off") {
        options.compass = SimOptions::Compass::off;
    } else if (ParseRegisterValue(value, options.compass_raw)) {
        options.compass = SimOptions::Compass::fixed;
    } else {
        return "bad value '" + std::string(value) +
               "' for compass (allowed: 0-65535 or 0x0-0xFFFF, turning, off)";
    }
    return {};
}

}  // namespace

std::string ParseSimOptions(std::string_view text, SimOptions& options) {
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
        const std::size_t equals = item.find('=');
        const std::string_view key = item.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : item.substr(equals + 1);
        if (key == "compass" && equals != std::string_view::npos) {
            if (std::string error = ParseCompass(value, options); !error.empty()) {
                return error;
            }
        } else {
            return "unknown option '" + std::string(item) + "' (allowed: " + kAllowed + ")";
        }
    }
    return {};
}
