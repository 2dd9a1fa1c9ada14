// SPDX-License-Identifier: MIT
#include "app/cli/cli_args.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <utility>

#include "bus/bus_transfer.h"
#include "kolvaner_version.h"
#include "port/pacing/line_pacing.h"
#include "port/sim/sim_options.h"
#include "port/text/number_text.h"

const char kCliVersion[] = "kolvaner-cli " KOLVANER_VERSION "\n";

namespace {

// The usage before its options, and after them.
constexpr char kCommandsText[] =
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
#ifdef __linux__
    "  i2c [--bus N] -- COMMAND [ARG]...\n"
    "                 run COMMAND with the bus as I2C adapter N (/dev/i2c-N; default:\n"
    "                 the first from 16 that this machine's adapters leave free), for\n"
    "                 i2c-tools and smbus2; exits with COMMAND's status\n"
#endif
    "ADDR: a 7-bit address, 0-127 or 0x00-0x7f; REG and BYTE: 0-255 or 0x00-0xff\n";

constexpr char kClosingText[] =
    "A run whose device does not acknowledge its address or, for get and set, a byte\n"
    "written, or that finds SDA held low, prints no value: the reason goes to stderr\n"
    "and the run goes on.\n"
    "Exit status: 0 every run succeeded; 1 a run failed, the port or trace failed,\n"
    "or check or recover found a fault; 2 usage error; 128+N ended by signal N\n"
    "(Ctrl-C: 130).\n";

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
enum class Scope { opening, repeating, get, i2c };
enum class Option { count, interval, bytes, port, trace, clock, bus };
// The highest adapter number i2c-tools takes.
constexpr unsigned kMaxBus = 0xFFFFF;

// One row per option, each taking a value as --name VALUE or --name=VALUE; the help's
// lines come from here, a '\n' in help going on under it.
constexpr struct {
    std::string_view name;
    std::string_view value;
    Option option;
    Scope scope;
    std::string_view help;
} kOptions[] = {
    {"--count", "N", Option::count, Scope::repeating,
     "number of runs, 0 = until interrupted (default 1)"},
    {"--interval", "MS", Option::interval, Scope::repeating,
     "milliseconds from the start of one run to the next (default 500)"},
    {"--bytes", "N", Option::bytes, Scope::get, "get: bytes to read (default 1)"},
    {"--port", "PORT", Option::port, Scope::opening,
     "device path, or sim[:OPTIONS] for the simulated bus\n(default: $KOLVANER_PORT, else COM1)"},
    {"--trace", "FILE", Option::trace, Scope::opening,
     "write a VCD bus trace, times in ns (default: $KOLVANER_TRACE)"},
    {"--clock", "KHZ", Option::clock, Scope::opening,
     "fastest SCL clock, 1-100 kHz, and never above the 55.7 the\n"
     "pins' timing allows (default: $KOLVANER_CLOCK, else 55)"},
#ifdef __linux__
    {"--bus", "N", Option::bus, Scope::i2c, "i2c: the adapter number to serve"},
#endif
};

// "  --count N      number of runs...", a '\n' in help going on under the text.
std::string HelpLine(std::string left, std::string_view help) {
    constexpr std::size_t kTextColumn = 17;
    left.resize(std::max(kTextColumn, left.size() + 2), ' ');
    for (const char c : help) {
        left += c;
        if (c == '\n') {
            left.append(kTextColumn, ' ');
        }
    }
    return left + "\n";
}

// The options, then the simulated bus's.
std::string OptionLines() {
    std::string lines = "Options, each at most once:\n";
    for (const auto& row : kOptions) {
        lines += HelpLine("  " + std::string(row.name) + " " + std::string(row.value), row.help);
    }
    // The options without a value, each answered on its own.
    lines +=
        "  --help         show this text\n"
        "  --version      show the version\n"
        "  --             end of options: only the command and its arguments follow\n";
    lines += "Simulated bus OPTIONS, comma-separated, each at most once (N decimal or 0x hex):\n";
    for (const auto& [option, help] : SimOptionsHelp()) {
        lines += HelpLine("  " + option, help);
    }
    return lines;
}

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
            ReadPortName("--port", value, command.config);
            return command.config.port.empty() ? "empty --port" : command.config.port_problem;
        case Option::trace:
            command.config.trace = std::string(value);
            return value.empty() ? "empty --trace" : "";
        case Option::clock:
            command.config.clock_problem =
                ParseClockKhz("--clock", value, command.config.clock_khz);
            return command.config.clock_problem;
        case Option::bus:
            return SetNumber("--bus", value, 0, kMaxBus, "", command.bus.emplace());
    }
    return {};
}

bool Applies(Scope scope, CliCommand::Action action) {
    switch (scope) {
        case Scope::opening:
            return action != CliCommand::Action::ports;
        case Scope::get:
            return action == CliCommand::Action::get;
        case Scope::i2c:
            return action == CliCommand::Action::i2c;
        case Scope::repeating:
            // A check or a bus clear is one look at the lines; a shell loop repeats it.
            return action != CliCommand::Action::check && action != CliCommand::Action::recover &&
                   action != CliCommand::Action::ports && action != CliCommand::Action::i2c;
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
    } actions[] = {
        {"bearing", Action::bearing}, {"temperature", Action::temperature},
        {"input", Action::input},     {"scan", Action::scan},
        {"check", Action::check},     {"recover", Action::recover},
        {"get", Action::get},         {"set", Action::set},
        {"dump", Action::dump},       {"ports", Action::ports},
#ifdef __linux__
        {"i2c", Action::i2c},
#endif
    };
    for (const auto& known : actions) {
        if (name == known.name) {
            command.action = known.action;
            return true;
        }
    }
    return false;
}

// get's register, when one is given, and what follows it.
std::string SetRegister(std::span<const std::string_view>& operands, CliCommand& command) {
    if (operands.empty()) {
        return {};
    }
    const std::string_view text = operands.front();
    operands = operands.subspan(1);
    return ParseByte("register", text, command.first_register.emplace());
}

// set's bytes, at least one and at most a page.
std::string SetData(std::span<const std::string_view> bytes, CliCommand& command) {
    if (bytes.empty()) {
        return "missing byte for set";
    }
    if (bytes.size() > kMaxSetBytes) {
        return "too many bytes for set (at most " + std::to_string(kMaxSetBytes) +
               ", an EEPROM page)";
    }
    for (const std::string_view byte : bytes) {
        if (std::string error = ParseByte("byte", byte, command.data.emplace_back());
            !error.empty()) {
            return error;
        }
    }
    return {};
}

// The arguments after the command that are not options: an address for input (optional)
// and for get, set and dump; get's register; set's bytes.
std::string SetOperands(std::string_view action_name, std::span<const std::string_view> operands,
                        CliCommand& command) {
    using Action = CliCommand::Action;
    const Action action = command.action;
    if (action == Action::i2c) {
        command.program.assign(operands.begin(), operands.end());
        return operands.empty() ? "missing command for i2c (kolvaner-cli i2c -- COMMAND)" : "";
    }
    const bool needs_address =
        action == Action::get || action == Action::set || action == Action::dump;
    if (needs_address && operands.empty()) {
        return "missing address for " + std::string(action_name);
    }
    if ((needs_address || action == Action::input) && !operands.empty()) {
        if (!ParseNumber(operands.front(), true, kMaxAddress, command.address)) {
            return "bad address " + Quoted(operands.front()) + " (0-127 or 0x00-0x7f)";
        }
        operands = operands.subspan(1);
    }
    if (action == Action::set) {
        return SetData(operands, command);
    }
    std::string error = action == Action::get ? SetRegister(operands, command) : "";
    if (error.empty() && !operands.empty()) {
        error = "unexpected argument " + Quoted(operands.front());
    }
    return error;
}

// --help and --version win wherever they stand, whatever else is wrong; the first counts.
// /? and help first ask for the help too, as Windows' own tools take them.
bool AnswersAlone(const std::vector<std::string_view>& args, CliCommand& command) {
    if (!args.empty() && (args[0] == "/?" || args[0] == "help")) {
        return true;
    }
    for (const std::string_view arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            command.action =
                arg == "--version" ? CliCommand::Action::version : CliCommand::Action::help;
            return true;
        }
    }
    return false;
}

// The arguments read so far.
class ArgsRead {
  public:
    ArgsRead(const std::vector<std::string_view>& args, CliCommand& command)
        : args_(args), command_(command) {}

    // Reads the argument at index, and an option's value after it; index moves past both.
    std::string Read(std::size_t& index) {
        const std::string_view arg = args_[index];
        if (!options_ended_ && arg == "--") {
            // What follows is the command and its operands, whatever it looks like.
            options_ended_ = true;
            return {};
        }
        if (options_ended_ || !IsOption(arg)) {
            return ReadWord(arg);
        }
        return ReadOption(index);
    }

    // What is wrong with the whole, once every argument is read.
    std::string Finish() {
        if (action_name_.empty()) {
            return "no command given (kolvaner-cli --help lists them)";
        }
        if (std::string error = SetOperands(action_name_, operands_, command_); !error.empty()) {
            return error;
        }
        for (const std::size_t row : given_) {
            if (!Applies(kOptions[row].scope, command_.action)) {
                return Quoted(kOptions[row].name) + " does not apply to " +
                       std::string(action_name_);
            }
        }
        return {};
    }

  private:
    std::string ReadWord(std::string_view arg) {
        if (!action_name_.empty()) {
            operands_.push_back(arg);
        } else if (SetAction(arg, command_)) {
            action_name_ = arg;
        } else {
            return "unknown command " + Quoted(arg);
        }
        return {};
    }

    std::string ReadOption(std::size_t& index) {
        const std::string_view arg = args_[index];
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const auto* row = std::find_if(std::begin(kOptions), std::end(kOptions),
                                       [name](const auto& known) { return known.name == name; });
        if (row == std::end(kOptions)) {
            return "unknown option " + Quoted(name);
        }
        const auto row_index = static_cast<std::size_t>(row - std::begin(kOptions));
        if (std::find(given_.begin(), given_.end(), row_index) != given_.end()) {
            return Quoted(name) + " given twice";
        }
        given_.push_back(row_index);
        if (equals != std::string_view::npos) {
            return SetOption(row->option, arg.substr(equals + 1), command_);
        }
        if (index + 1 == args_.size()) {
            return "missing value for " + Quoted(arg);
        }
        return SetOption(row->option, args_[++index], command_);
    }

    const std::vector<std::string_view>& args_;
    CliCommand& command_;
    std::string_view action_name_;
    std::vector<std::size_t> given_;  // rows of kOptions
    std::vector<std::string_view> operands_;
    bool options_ended_ = false;
};

}  // namespace

const std::string& CliUsage() {
    static const std::string usage = kCommandsText + OptionLines() + kClosingText;
    return usage;
}

std::string ParseCliArgs(const std::vector<std::string_view>& args, CliCommand& command) {
    PortConfig config = std::move(command.config);
    command = CliCommand{};
    command.config = std::move(config);
    if (AnswersAlone(args, command)) {
        return {};
    }
    ArgsRead read(args, command);
    for (std::size_t index = 0; index < args.size(); ++index) {
        if (std::string error = read.Read(index); !error.empty()) {
            return error;
        }
    }
    return read.Finish();
}
