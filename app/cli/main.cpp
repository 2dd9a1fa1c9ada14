// SPDX-License-Identifier: MIT
// kolvaner-cli: the bus readings on the command line, for scripts and headless machines.
#include <cstdio>
#include <cstdlib>
#include <optional>
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
#include "app/process/standard_descriptors.h"
#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "port/port_status.h"

// The command line says why the port did not open in its own words once OpenBus returns.
void ShowMessageBox(std::string_view) {}

namespace {

constexpr int kUsageError = 2;
// A run a signal cut short ends with 128 + its number, as a shell reports it.
constexpr int kSignalExitBase = 128;

// On the open bus: check and recover once, i2c serving, the rest --count times.
int RunCommand(const CliCommand& command) {
    switch (command.action) {
        case CliCommand::Action::check:
            return RunCheck();
        case CliCommand::Action::recover:
            return RunRecover();
#ifdef __linux__
        case CliCommand::Action::i2c:
            return RunI2c(command);
#endif
        default:
            return RunRepeated(command);
    }
}

// help, version and ports, and an i2c command that cannot run: answered without the bus
// (the first three whatever the port's settings). Nothing when the command needs the bus.
std::optional<int> AnswerWithoutBus(const CliCommand& command) {
    switch (command.action) {
        case CliCommand::Action::help:
            std::fputs(CliUsage().c_str(), stdout);
            return EXIT_SUCCESS;
        case CliCommand::Action::version:
            std::fputs(kCliVersion, stdout);
            return EXIT_SUCCESS;
        case CliCommand::Action::ports:
            return RunPorts();
#ifdef __linux__
        case CliCommand::Action::i2c:
            // A bad port setting is told first, as a usage error.
            if (command.config.Problem().empty()) {
                if (const std::string error = CheckI2c(command); !error.empty()) {
                    Complain(error);
                    return EXIT_FAILURE;
                }
            }
            return std::nullopt;
#endif
        default:
            return std::nullopt;
    }
}

// Opens the bus, runs the command and closes the port again, on every way out.
int RunOnBus(const CliCommand& command) {
    ConfigurePort(command.config);
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

}  // namespace

int main(int argc, char** argv) {
    KeepStandardDescriptors();
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    CliCommand command;
    command.config = PortConfigFromEnvironment();
    std::string error = ParseCliArgs(args, command);
    if (error.empty()) {
        if (const std::optional<int> status = AnswerWithoutBus(command)) {
            return *status;
        }
        error = command.config.Problem();
    }
    if (!error.empty()) {
        Complain(error);
        return kUsageError;
    }
    return RunOnBus(command);
}
