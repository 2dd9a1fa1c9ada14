#include "app/cli/cli_args.h"

#include "bus/bus_transfer.h"
#include "port/line_pacing.h"
#include "port/number_text.h"
#include "port/sim/sim_options.h"

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
    "                 write the bytes to ADDR, the register or command first\n"
    "  dump ADDR      read registers 0x00-0xff one by one as get does, in a grid;\n"
    "                 XX for a register not acknowledged\n"
    "  check          show the adapter, its timing and the resulting clock, and see\n"
    "                 whether CTS follows DTR and SDA is free; runs once\n"
    "  recover        clock a device holding SDA low off the bus (bus clear); runs once\n"
    "  ports          list this machine's serial ports, their drivers and whether the\n"
    "                 bus works through them; opens none\n"
    "ADDR: a 7-bit address, 0-127 or 0x00-0x7f; REG and BYTE: 0-255 or 0x00-0xff\n"
    "Options:\n"
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
    } else if (name == "--bytes") {
        if (!ParseNumber(value, false, kMaxReadBytes, command.bytes) || command.bytes < 1) {
            return "bad --bytes " + Quoted(value) + " (1-" + std::to_string(kMaxReadBytes) + ")";
        }
    } else if (name == "--port") {
        if (value.empty()) {
            return "empty --port";
        }
        if (std::string error = CheckPort("--port", value); !error.empty()) {
            return error;
        }
        command.port = std::string(value);
    } else if (name == "--clock") {
        int khz = 0;
        if (!ParseClockKhz(value, khz).empty()) {
            return "bad --clock " + Quoted(value) + " (" + std::to_string(kMinClockKhz) + "-" +
                   std::to_string(kMaxClockKhz) + " kHz)";
        }
        command.clock_khz = khz;
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
    bool have_action = false;
    bool have_bytes = false;
    std::string_view action_name;
    std::string_view repeat_option;
    std::vector<std::string_view> operands;
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
            if (name != "--count" && name != "--interval" && name != "--bytes" &&
                name != "--port" && name != "--trace" && name != "--clock") {
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
            have_bytes = have_bytes || name == "--bytes";
        } else if (!have_action) {
            if (!SetAction(arg, command)) {
                return "unknown command " + Quoted(arg);
            }
            have_action = true;
            action_name = arg;
        } else {
            operands.push_back(arg);
        }
    }
    if (!have_action) {
        return "no command given (kolvaner-cli --help lists them)";
    }
    if (std::string error = SetOperands(action_name, operands, command); !error.empty()) {
        return error;
    }
    if (have_bytes && command.action != CliCommand::Action::get) {
        return "'--bytes' does not apply to " + std::string(action_name);
    }
    // A check or a bus clear is one look at the lines; a shell loop repeats it if need be.
    const bool runs_once = command.action == CliCommand::Action::check ||
                           command.action == CliCommand::Action::recover ||
                           command.action == CliCommand::Action::ports;
    if (runs_once && !repeat_option.empty()) {
        return Quoted(repeat_option) + " does not apply to " + std::string(action_name);
    }
    return {};
}

std::string CheckClockSetting(std::string_view value) {
    int khz = 0;
    if (!ParseClockKhz(value, khz).empty()) {
        return "bad KOLVANER_CLOCK " + Quoted(value) + " (" + std::to_string(kMinClockKhz) + "-" +
               std::to_string(kMaxClockKhz) + " kHz)";
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
