// kolvaner-cli: the bus readings on the command line, for scripts and headless machines.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli/cli_args.h"
#include "app/cli/cli_lines.h"
#include "app/cli/cli_reads.h"
#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "port/port_status.h"

namespace {

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

int RunCommand(const CliCommand& command) {
    switch (command.action) {
        case CliCommand::Action::check:
            return RunCheck();
        case CliCommand::Action::recover:
            return RunRecover();
        default:
            return RunReads(command);
    }
}

}  // namespace

void ShowMessageBox(std::string_view text) {
    std::fprintf(stderr, "kolvaner-cli: %s\n", PortProblem().c_str());
    std::fprintf(stderr, "kolvaner-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

int main(int argc, char** argv) {
    constexpr int kUsageError = 2;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    CliCommand command;
    if (const std::string error = ParseCliArgs(args, command); !error.empty()) {
        std::fprintf(stderr, "kolvaner-cli: %s\nTry 'kolvaner-cli --help'.\n", error.c_str());
        return kUsageError;
    }
    if (command.action == CliCommand::Action::help) {
        std::fputs(kCliUsage, stdout);
        return EXIT_SUCCESS;
    }
    if (command.port) {
        SetEnvironment("KOLVANER_PORT", *command.port);
    }
    if (command.trace) {
        SetEnvironment("KOLVANER_TRACE", *command.trace);
    }
    CatchInterrupts();
    OpenBus();
    const int status = PortIsOpen() ? RunCommand(command) : EXIT_FAILURE;
    if (PortHasFailed()) {
        std::fprintf(stderr, "kolvaner-cli: %s\n", PortProblem().c_str());
    }
    CLOSECOM();
    return status;
}
