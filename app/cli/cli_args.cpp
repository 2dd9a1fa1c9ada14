#include "app/cli/cli_args.h"

#include <charconv>

#include "port/sim/sim_options.h"

const char kCliUsage[] =
    "Usage: kolvaner-cli COMMAND [--count N] [--interval MS] [--port PORT] [--trace FILE]\n"
    "Commands:\n"
    "  bearing        read the compass at 0x60, whole degrees\n"
    "  temperature    read the thermometer at 0x48, whole degrees Celsius\n"
    "  input [ADDR]   read the input port at 7-bit ADDR (0-127 or 0x00-0x7f, default 0x20)\n"
    "  scan           probe addresses 0x08-0x77, show the ones that answer as a grid\n"
    "  check          see whether CTS follows DTR and SDA is free; runs once\n"
    "  recover        clock a device holding SDA low off the bus (bus clear); runs once\n"
    "Options:\n"
    "  --count N      number of reads, 0 = until interrupted (default 1)\n"
    "  --interval MS  milliseconds between reads (default 500)\n"
    "  --port PORT    device path, or sim[:OPTIONS] for the simulated bus\n"
    "                 (default: $KOLVANER_PORT, else COM1)\n"
    "  --trace FILE   write a VCD bus trace, times in ns (default: $KOLVANER_TRACE)\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "Simulated bus OPTIONS, comma-separated, each at most once (N decimal or 0x hex):\n"
    "  compass=N|turning|off  thermo=N|off  inport=N|off\n"
    "  sda=stuck-low  cts=stuck-high|late  hold=1-8\n"
    "A read whose device does not acknowledge its address, or that finds SDA held low,\n"
    "prints no value: the reason goes to stderr and the run goes on.\n"
    "Exit status: 0 every read succeeded; 1 a read failed, the port or the trace failed, or\n"
    "check or recover found a fault; 2 usage error; 128+N ended by signal N (Ctrl-C: 130).\n";

const char kCliVersion[] = "kolvaner-cli " KOLVANER_VERSION "\n";

namespace {

constexpr unsigned kMaxCount = 1'000'000'000;
constexpr unsigned kMaxIntervalMs = 86'400'000;
constexpr unsigned kMaxAddress = 127;

// Decimal digits, or 0x and hex digits where hex is allowed; no sign, no space, nothing
// after. Parsed unsigned, so "-0" and "0x-0" are refused like any other sign.
bool ParseNumber(std::string_view text, bool hex_allowed, unsigned max, int& value) {
    int base = 10;
    if (hex_allowed && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned number = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number, base);
    if (text.empty() || result.ec != std::errc{} || result.ptr != end || number > max) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string SetOption(std::string_view name, std::string_view value, CliCommand& command) {
    if (name == "--count") {
        if (!ParseNumber(value, false, kMaxCount, command.count)) {
            return "bad --count " + Quoted(value) + " (0-" + std::to_string(kMaxCount) + ")";
        }
    } else if (name == "--interval") {
        if (!ParseNumber(value, false, kMaxIntervalMs, command.interval_ms)) {
            return "bad --interval " + Quoted(value) + " (0-" + std::to_string(kMaxIntervalMs) +
                   " ms)";
        }
    } else if (name == "--port") {
        if (value.empty()) {
            return "empty --port";
        }
        if (std::string error = CheckPort("--port", value); !error.empty()) {
            return error;
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

bool SetAction(std::string_view name, CliCommand& command) {
    using Action = CliCommand::Action;
    const struct {
        std::string_view name;
        Action action;
    } actions[] = {{"bearing", Action::bearing}, {"temperature", Action::temperature},
                   {"input", Action::input},     {"scan", Action::scan},
                   {"check", Action::check},     {"recover", Action::recover}};
    for (const auto& known : actions) {
        if (name == known.name) {
            command.action = known.action;
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command) {
    command = CliCommand{};
    bool have_action = false;
    bool have_address = false;
    std::string_view action_name;
    std::string_view repeat_option;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string_view arg = args[index];
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            command.action =
                arg == "--version" ? CliCommand::Action::version : CliCommand::Action::help;
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
            if (name == "--count" || name == "--interval") {
                repeat_option = name;
            }
        } else if (!have_action) {
            if (!SetAction(arg, command)) {
                return "unknown command " + Quoted(arg);
            }
            have_action = true;
            action_name = arg;
        } else if (command.action == CliCommand::Action::input && !have_address) {
            if (!ParseNumber(arg, true, kMaxAddress, command.address)) {
                return "bad address " + Quoted(arg) + " (0-127 or 0x00-0x7f)";
            }
            have_address = true;
        } else {
            return "unexpected argument " + Quoted(arg);
        }
    }
    if (!have_action) {
        return "no command given (kolvaner-cli --help lists them)";
    }
    // A check or a bus clear is one look at the lines; a shell loop repeats it if need be.
    const bool runs_once = command.action == CliCommand::Action::check ||
                           command.action == CliCommand::Action::recover;
    if (runs_once && !repeat_option.empty()) {
        return Quoted(repeat_option) + " does not apply to " + std::string(action_name);
    }
    return {};
}

std::string CheckPort(std::string_view source, std::string_view port) {
    SimOptions options;
    if (!NamesSimulator(port)) {
        return {};
    }
    if (std::string error = ParseSimPort(port, options); !error.empty()) {
        return "bad " + std::string(source) + " " + Quoted(port) + ": " + error;
    }
    return {};
}
