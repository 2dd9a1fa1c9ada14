#include "app/cli/cli_reads.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bus/bus_scan.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "port/port_status.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
    interrupted = 1;
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

std::string Formatted(const char* format, auto value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// As i2cdetect shows it: a row per 16 addresses, -- for a probed address nobody answered.
std::string ScanGrid(const std::vector<BusByte>& found) {
    std::string grid = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n";
    for (int row = 0; row < 128; row += 16) {
        grid += Formatted("%02x:", row);
        for (int address = row; address < row + 16; ++address) {
            if (address < kFirstScanAddress || address > kLastScanAddress) {
                grid += "   ";
            } else if (std::find(found.begin(), found.end(), address) != found.end()) {
                grid += Formatted(" %02x", address);
            } else {
                grid += " --";
            }
        }
        // The last row ends at 0x77: no blanks after it.
        grid.erase(grid.find_last_not_of(' ') + 1);
        grid += "\n";
    }
    return grid;
}

std::string ReadOnce(const CliCommand& command) {
    switch (command.action) {
        case CliCommand::Action::temperature:
            return Formatted("%.0f\n", ReadTemperature());
        case CliCommand::Action::input:
            return Formatted("0x%02x\n", ReadInputPort(static_cast<BusByte>(command.address)));
        case CliCommand::Action::scan:
            return ScanGrid(ScanBus());
        case CliCommand::Action::bearing:
            return Formatted("%d\n", ReadBearing());
        case CliCommand::Action::help:
        case CliCommand::Action::check:
        case CliCommand::Action::recover:
            break;
    }
    return {};
}

}  // namespace

void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

int RunReads(const CliCommand& command) {
    for (int done = 0; command.count == 0 || done < command.count; ++done) {
        if (done > 0 && !Wait(command.interval_ms)) {
            break;
        }
        const std::string text = ReadOnce(command);
        if (PortHasFailed()) {
            return EXIT_FAILURE;
        }
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
    return EXIT_SUCCESS;
}
