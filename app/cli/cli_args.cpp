#include "app/cli/cli_args.h"

#include <charconv>

const char kCliUsage[] =
    "Usage: kolvaner-cli COMMAND [--count N] [--interval MS] [--port PORT] [--trace FILE]\n"
    "Commands:\n"
    "  bearing        read the compass, whole degrees\n"
    "Options:\n"
    "  --count N      number of reads, 0 = until Ctrl-C (default 1)\n"
    "  --interval MS  milliseconds between reads (default 500)\n"
    "  --port PORT    device path, or sim[:OPTIONS] for the simulated bus\n"
    "                 (default: $KOLVANER_PORT, else COM1)\n"
    "  --trace FILE   write a VCD bus trace (default: $KOLVANER_TRACE)\n"
    "  --help         show this text\n";

namespace {

constexpr int kMaxCount = 1'000'000'000;
constexpr int kMaxIntervalMs = 86'400'000;

bool ParseBounded(std::string_view text, int max, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc{} && result.ptr == end && value >= 0 &&
           value <= max;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string SetOption(std::string_view name, std::string_view value, CliCommand& command) {
    if (name == "--count") {
        if (!ParseBounded(value, kMaxCount, command.count)) {
            return "bad --count " + Quoted(value) + " (0-" + std::to_string(kMaxCount) + ")";
        }
    } else if (name == "--interval") {
        if (!ParseBounded(value, kMaxIntervalMs, command.interval_ms)) {
            return "bad --interval " + Quoted(value) + " (0-" + std::to_string(kMaxIntervalMs) +
                   " ms)";
        }
    } else if (name == "--port") {
        if (value.empty()) {
            return "empty --port";
        }
        command.port = std::string(value);
    } else {  // --trace
        if (value.empty()) {
            return "empty --trace";
        }
        command.trace = std::string(value);
    }
    return {};
}

}  // namespace

std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command) {
    command = CliCommand{};
    bool have_action = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string_view arg = args[index];
        if (arg == "--help" || arg == "-h") {
            command.action = CliCommand::Action::help;
            return {};
        }
        if (arg.substr(0, 2) == "--") {
            const std::size_t equals = arg.find('=');
            const std::string_view name = arg.substr(0, equals);
            if (name != "--count" && name != "--interval" && name != "--port" &&
                name != "--trace") {
                return "unknown option " + Quoted(name);
            }
            std::string_view value;
            if (equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
            } else if (index + 1 < args.size()) {
                value = args[++index];
            } else {
                return "missing value for " + Quoted(arg);
            }
            if (std::string error = SetOption(name, value, command); !error.empty()) {
                return error;
            }
        } else if (!have_action && arg == "bearing") {
            command.action = CliCommand::Action::bearing;
            have_action = true;
        } else {
            return (have_action ? "unexpected argument " : "unknown command ") + Quoted(arg);
        }
    }
    if (!have_action) {
        return "no command given";
    }
    return {};
}
