// SPDX-License-Identifier: MIT
// kolvaner-cli: the bus readings on the command line, for scripts and headless machines.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_args.h"
#include "app/cli/cli_lines.h"
#include "app/cli/cli_ports.h"
#include "app/cli/cli_process.h"
#include "app/cli/cli_runs.h"
#ifdef __linux__
#include "app/i2c/i2c_run.h"
#endif
#include "app/process/ending_signals.h"
#include "app/process/environment.h"
#include "app/process/standard_descriptors.h"
#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "port/port_status.h"

namespace {

constexpr int kUsageError = 2;
// A run a signal cut short ends with 128 + its number, as a shell reports it.
constexpr int kSignalExitBase = 128;

// The arguments, and a simulator named in the environment when --port does not override it.
std::string UsageError(const std::vector<std::string_view>& args, CliCommand& command) {
    if (std::string error = ParseCliArgs(args, command); !error.empty()) {
        return error;
    }
    const bool opens_port =
        command.action != CliCommand::Action::help && command.action != CliCommand::Action::version;
    if (!opens_port || command.action == CliCommand::Action::ports) {
        return {};
    }
    const char* environment_clock = std::getenv("KOLVANER_CLOCK");
    if (!command.clock_khz && environment_clock != nullptr && *environment_clock != '\0') {
        if (std::string error = CheckClockSetting(environment_clock); !error.empty()) {
            return error;
        }
    }
    const char* environment_port = std::getenv("KOLVANER_PORT");
    if (!command.port && environment_port != nullptr) {
        return CheckSimulatorPort("KOLVANER_PORT", CleanPortName(environment_port));
    }
    return {};
}

int RunCommand(const CliCommand& command) {
    switch (command.action) {
        case CliCommand::Action::check:
            return RunCheck();
        case CliCommand::Action::recover:
            return RunRecover();
        case CliCommand::Action::bearing:
        case CliCommand::Action::temperature:
        case CliCommand::Action::input:
        case CliCommand::Action::scan:
        case CliCommand::Action::get:
        case CliCommand::Action::set:
        case CliCommand::Action::dump:
            return RunRepeated(command);
        case CliCommand::Action::i2c:
#ifdef __linux__
            return RunI2c(command);
#else
            break;  // not built: the command line does not take it
#endif
        case CliCommand::Action::help:
        case CliCommand::Action::version:
        case CliCommand::Action::ports:
            break;  // answered before the port opens
    }
    return EXIT_SUCCESS;
}

}  // namespace

// The command line says why the port did not open in its own words once OpenBus returns.
void ShowMessageBox(std::string_view) {}

int main(int argc, char** argv) {
    KeepStandardDescriptors();
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    // As Windows' own tools answer them.
    if (!args.empty() && (args[0] == "/?" || args[0] == "help")) {
        std::fputs(kCliUsage, stdout);
        return EXIT_SUCCESS;
    }
    CliCommand command;
    if (const std::string error = UsageError(args, command); !error.empty()) {
        Complain(error);
        return kUsageError;
    }
    if (command.action == CliCommand::Action::help ||
        command.action == CliCommand::Action::version) {
        std::fputs(command.action == CliCommand::Action::help ? kCliUsage : kCliVersion, stdout);
        return EXIT_SUCCESS;
    }
    if (command.action == CliCommand::Action::ports) {
        return RunPorts();
    }
#ifdef __linux__
    if (command.action == CliCommand::Action::i2c) {
        if (const std::string error = CheckI2c(command); !error.empty()) {
            Complain(error);
            return EXIT_FAILURE;
        }
    }
#endif
    if (command.port) {
        SetEnvironment("KOLVANER_PORT", *command.port);
    }
    if (command.clock_khz) {
        SetEnvironment("KOLVANER_CLOCK", std::to_string(*command.clock_khz));
    }
    if (command.trace) {
        SetEnvironment("KOLVANER_TRACE", *command.trace);
    }
    CatchEndingSignals();
    OpenBus();
    const bool ready = PortIsOpen() && TraceProblem().empty() && CaughtSignal() == 0;
    int status = ready ? RunCommand(command) : EXIT_FAILURE;
    // Terminal settings back, lock released, port closed, trace ended: every way out.
    CLOSECOM();
    if (!PortProblem().empty()) {
        Complain(PortProblem());
    }
    if (!TraceProblem().empty()) {
        Complain(TraceProblem());
        status = EXIT_FAILURE;
    }
    return CaughtSignal() != 0 ? kSignalExitBase + CaughtSignal() : status;
}
