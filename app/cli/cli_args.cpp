// SPDX-License-Identifier: MIT
#include "app/cli/cli_args.h"

#include <algorithm>
#include <iterator>

#include "bus/bus_transfer.h"
#include "kolvaner_version.h"
#include "port/pacing/line_pacing.h"
#include "port/sim/sim_options.h"
#include "port/text/number_text.h"

const char kCliUsage[] =
    "Usage: kolvaner-cli COMMAND [ARGS] [OPTIONS]\n"
    "Commands:\n"
    "  bearing        read the compass at 0x60, whole degrees\n"
    "  temperature    read the thermometer at 0x48, whole degrees Celsius\n"
    "  input [ADDR]   read the input port at ADDR (default 0x20)\n"
    "  scan           probe addresses 0x08-0x77, show the ones that answer as a grid\n"
    "  get ADDR [REG] [--bytes N]\n"
    "                 read N bytes (1-32, default 1) from the device at ADDR;\n"
    "                 with REG: write REG, repeated start, read (registers REG on)\n"
    "  set ADDR BYTE...\n"
    "                 write 1-64 bytes (an EEPROM page) to ADDR, the register or\n"
    "                 command first\n"
    "  dump ADDR      read registers 0x00-0xff one by one as get does, in a grid;\n"
    "                 XX for a register not acknowledged\n"
    "  check          show the adapter, its timing and the resulting clock, and see\n"
    "                 whether CTS follows DTR and SDA is free; runs once\n"
    "  recover        clock a device holding SDA low off the bus (bus clear); runs once\n"
    "  ports          list this machine's serial ports, their drivers and whether the\n"
    "                 bus works through them; opens none\n"
    "ADDR: a 7-bit address, 0-127 or 0x00-0x7f; REG and BYTE: 0-255 or 0x00-0xff\n"
    "Options, each at most once:\n"
    "  --count N      number of runs, 0 = until interrupted (default 1)\n"
    "  --interval MS  milliseconds from the start of one run to the next (default 500)\n"
    "  --bytes N      get: bytes to read (default 1)\n"
    "  --port PORT    device path, or sim[:OPTIONS] for the simulated bus\n"
    "                 (default: $KOLVANER_PORT, else COM1)\n"
    "  --trace FILE   write a VCD bus trace, times in ns (default: $KOLVANER_TRACE)\n"
    "  --clock KHZ    fastest SCL clock, 1-100 kHz, lower for long cables or slow\n"
    "                 adapters (default: $KOLVANER_CLOCK, else 77)\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "  --             end of options: only the command and its arguments follow\n"
    "Simulated bus OPTIONS, comma-separated, each at most once (N decimal or 0x hex):\n"
    "  compass=N|turning|sweep|off  thermo=N|off  inport=N|off\n"
    "  sda=stuck-low  cts=stuck-high|late  hold=1-8\n"
    "  adapter=ideal|native|ftdi|cp210x|pl2303|ch341|cdc-acm (default native)\n"
    "  report=MS|off  how often a pl2303 or ch341 reports its modem status\n"
    "A run whose device does not acknowledge its address or, for get and set, a byte\n"
    "written, or that finds SDA held low, prints no value: the reason goes to stderr\n"
    "and the run goes on.\n"
    "Exit status: 0 every run succeeded; 1 a run failed, the port or trace failed,\n"
    "or check or recover found a fault; 2 usage error; 128+N ended by signal N\n"
    "(Ctrl-C: 130).\n";

const char kCliVersion[] = "kolvaner-cli " KOLVANER_VERSION "\n";

namespace {

constexpr unsigned kMaxCount = 1'000'000'000;
constexpr unsigned kMaxIntervalMs = 86'400'000;
constexpr unsigned kMaxAddress = 127;
constexpr unsigned kMaxByte = 255;
// The most set writes in one transaction: a page of the larger EEPROMs.
constexpr std::size_t kMaxSetBytes = 64;

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

std::string ParseByte(std::string_view what, std::string_view text, std::uint8_t& byte) {
    int value = 0;
    if (!ParseNumber(text, true, kMaxByte, value)) {
        return "bad " + std::string(what) + " " + Quoted(text) + " (0-255 or 0x00-0xff)";
    }
    byte = static_cast<std::uint8_t>(value);
    return {};
}

// Which commands an option applies to.
enum class Scope { opening, repeating, get };
enum class Option { count, interval, bytes, port, trace, clock };

// One row per option, each taking a value as --name VALUE or --name=VALUE.
constexpr struct {
    std::string_view name;
    Option option;
    Scope scope;
} kOptions[] = {
    {"--count", Option::count, Scope::repeating},
    {"--interval", Option::interval, Scope::repeating},
    {"--bytes", Option::bytes, Scope::get},
    {"--port", Option::port, Scope::opening},
    {"--trace", Option::trace, Scope::opening},
    {"--clock", Option::clock, Scope::opening},
};

std::string SetNumber(std::string_view name, std::string_view value, unsigned least, unsigned most,
                      const char* unit, int& number) {
    if (!ParseNumber(value, false, most, number) || number < static_cast<int>(least)) {
        return "bad " + std::string(name) + " " + Quoted(value) + " (" + std::to_string(least) +
               "-" + std::to_string(most) + unit + ")";
    }
    return {};
}

std::string SetOption(Option option, std::string_view value, CliCommand& command) {
    switch (option) {
        case Option::count:
            return SetNumber("--count", value, 0, kMaxCount, "", command.count);
        case Option::interval:
            return SetNumber("--interval", value, 0, kMaxIntervalMs, " ms", command.interval_ms);
        case Option::bytes:
            return SetNumber("--bytes", value, 1, kMaxReadBytes, "", command.bytes);
        case Option::port:
            if (value.empty()) {
                return "empty --port";
            }
            command.port = std::string(value);
            return CheckSimulatorPort("--port", value);
        case Option::trace:
            command.trace = std::string(value);
            return value.empty() ? "empty --trace" : "";
        case Option::clock:
            return ParseClockKhz("--clock", value, command.clock_khz.emplace());
    }
    return {};
}

bool Applies(Scope scope, CliCommand::Action action) {
    switch (scope) {
        case Scope::opening:
            return action != CliCommand::Action::ports;
        case Scope::get:
            return action == CliCommand::Action::get;
        case Scope::repeating:
            // A check or a bus clear is one look at the lines; a shell loop repeats it.
            return action != CliCommand::Action::check && action != CliCommand::Action::recover &&
                   action != CliCommand::Action::ports;
    }
    return false;
}

// A dash and no digit: "-1" is a number, for an operand to refuse.
bool IsOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
}

bool SetAction(std::string_view name, CliCommand& command) {
    using Action = CliCommand::Action;
    const struct {
        std::string_view name;
        Action action;
    } actions[] = {{"bearing", Action::bearing}, {"temperature", Action::temperature},
                   {"input", Action::input},     {"scan", Action::scan},
                   {"check", Action::check},     {"recover", Action::recover},
                   {"get", Action::get},         {"set", Action::set},
                   {"dump", Action::dump},       {"ports", Action::ports}};
    for (const auto& known : actions) {
        if (name == known.name) {
            command.action = known.action;
            return true;
        }
    }
    return false;
}

// The arguments after the command that are not options: an address for input (optional)
// and for get, set and dump; get's register; set's bytes.
std::string SetOperands(std::string_view action_name, const std::vector<std::string_view>& operands,
                        CliCommand& command) {
    using Action = CliCommand::Action;
    const Action action = command.action;
    std::size_t next = 0;
    const bool needs_address =
        action == Action::get || action == Action::set || action == Action::dump;
    if (needs_address && operands.empty()) {
        return "missing address for " + std::string(action_name);
    }
    if ((needs_address || action == Action::input) && !operands.empty()) {
        if (!ParseNumber(operands[0], true, kMaxAddress, command.address)) {
            return "bad address " + Quoted(operands[0]) + " (0-127 or 0x00-0x7f)";
        }
        next = 1;
    }
    if (action == Action::get && next < operands.size()) {
        std::uint8_t first_register = 0;
        if (std::string error = ParseByte("register", operands[next++], first_register);
            !error.empty()) {
            return error;
        }
        command.first_register = first_register;
    }
    if (action == Action::set) {
        if (next == operands.size()) {
            return "missing byte for set";
        }
        if (operands.size() - next > kMaxSetBytes) {
            return "too many bytes for set (at most " + std::to_string(kMaxSetBytes) +
                   ", an EEPROM page)";
        }
        for (; next < operands.size(); ++next) {
            if (std::string error = ParseByte("byte", operands[next], command.data.emplace_back());
                !error.empty()) {
                return error;
            }
        }
    }
    if (next < operands.size()) {
        return "unexpected argument " + Quoted(operands[next]);
    }
    return {};
}

}  // namespace

std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command) {
    command = CliCommand{};
    // --help and --version win wherever they stand, whatever else is wrong; the first counts.
    for (const std::string_view arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            command.action =
                arg == "--version" ? CliCommand::Action::version : CliCommand::Action::help;
            return {};
        }
    }
    bool have_action = false;
    std::string_view action_name;
    std::vector<std::size_t> given;  // rows of kOptions
    std::vector<std::string_view> operands;
    bool options_ended = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string_view arg = args[index];
        if (!options_ended && arg == "--") {
            // What follows is the command and its operands, whatever it looks like.
            options_ended = true;
        } else if (options_ended || !IsOption(arg)) {
            if (have_action) {
                operands.push_back(arg);
            } else if (!SetAction(arg, command)) {
                return "unknown command " + Quoted(arg);
            } else {
                have_action = true;
                action_name = arg;
            }
        } else {
            const std::size_t equals = arg.find('=');
            const std::string_view name = arg.substr(0, equals);
            const auto* row =
                std::find_if(std::begin(kOptions), std::end(kOptions),
                             [name](const auto& known) { return known.name == name; });
            if (row == std::end(kOptions)) {
                return "unknown option " + Quoted(name);
            }
            const auto row_index = static_cast<std::size_t>(row - std::begin(kOptions));
            if (std::find(given.begin(), given.end(), row_index) != given.end()) {
                return Quoted(name) + " given twice";
            }
            std::string_view value;
            if (equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
            } else if (index + 1 < args.size()) {
                value = args[++index];
            } else {
                return "missing value for " + Quoted(arg);
            }
            if (std::string error = SetOption(row->option, value, command); !error.empty()) {
                return error;
            }
            given.push_back(row_index);
        }
    }
    if (!have_action) {
        return "no command given (kolvaner-cli --help lists them)";
    }
    if (std::string error = SetOperands(action_name, operands, command); !error.empty()) {
        return error;
    }
    for (const std::size_t row : given) {
        if (!Applies(kOptions[row].scope, command.action)) {
            return Quoted(kOptions[row].name) + " does not apply to " + std::string(action_name);
        }
    }
    return {};
}

std::string CheckSimulatorPort(std::string_view source, std::string_view port) {
    SimOptions options;
    if (!NamesSimulator(port)) {
        return {};
    }
    if (std::string error = ParseSimPort(port, options); !error.empty()) {
        return "bad " + std::string(source) + " " + Quoted(port) + ": " + error;
    }
    return {};
}
