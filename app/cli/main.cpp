// kolvaner-cli: the bus readings on the command line, for scripts and headless machines.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/cli/cli_args.h"
#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "port/port_status.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
}

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// Sleeps in short slices so Ctrl-C ends the wait at once; false when interrupted.
bool Wait(int milliseconds) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (interrupted == 0 && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<steady_clock::duration>(std::chrono::milliseconds(20),
                                                                     until - steady_clock::now()));
    }
    return interrupted == 0;
}

int RunReads(const CliCommand& command) {
    for (int done = 0; command.count == 0 || done < command.count; ++done) {
        if (done > 0 && !Wait(command.interval_ms)) {
            break;
        }
        const int bearing = ReadBearing();
        if (PortHasFailed()) {
            return EXIT_FAILURE;
        }
        std::printf("%d\n", bearing);
        std::fflush(stdout);
    }
    return EXIT_SUCCESS;
}

}  // namespace

void ShowMessageBox(std::string_view text) {
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
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    OpenBus();
    const int status = PortIsOpen() ? RunReads(command) : EXIT_FAILURE;
    CLOSECOM();
    return status;
}
