// SPDX-License-Identifier: MIT
#include "app/cli/cli_runs.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "app/cli/cli_lines.h"
#include "app/cli/cli_output.h"
#include "app/cli/cli_process.h"
#include "app/cli/cli_transfers.h"
#include "app/process/ending_signals.h"
#include "bus/bus_check.h"
#include "bus/bus_scan.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "port/port_status.h"

namespace {

using Answered = std::array<bool, 128>;

// As i2cdetect shows it: a row per 16 addresses, -- for a probed address nobody answered.
std::string ScanGrid(const Answered& answered) {
    std::string grid = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n";
    for (int row = 0; row < 128; row += 16) {
        grid += Formatted("%02x:", row);
        for (int address = row; address < row + 16; ++address) {
            if (address < kFirstScanAddress || address > kLastScanAddress) {
                grid += "   ";
            } else if (answered[address]) {
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

// One transaction per address; nothing when a signal or a failed port stops it partway.
std::optional<std::string> Scan() {
    Answered answered{};
    for (int address = kFirstScanAddress; address <= kLastScanAddress; ++address) {
        if (CaughtSignal() != 0 || PortHasFailed()) {
            return std::nullopt;
        }
        answered[address] = ProbeAddress(static_cast<BusByte>(address));
    }
    return ScanGrid(answered);
}

// One device read; the acknowledge record tells whether the device answered.
template <typename Read>
RunOutput ReadDevice(const char* device, Read read) {
    ForgetMissedAddress();
    std::string text = read();
    if (const std::optional<BusByte> missed = MissedAddress()) {
        return {{}, Formatted("no answer from the %s at 0x%02x", device, *missed)};
    }
    return {text, {}};
}

RunOutput RunOnce(const CliCommand& command) {
    // A device cut off mid-byte, or a short: every transaction would read as zeros.
    if (SdaHeldLow()) {
        return {{}, "SDA is held low with the bus idle; try kolvaner-cli recover"};
    }
    const BusByte address = command.address;
    switch (command.action) {
        case CliCommand::Action::bearing:
            return ReadDevice("compass", [] { return Formatted("%d\n", ReadBearing()); });
        case CliCommand::Action::temperature:
            return ReadDevice("thermometer", [] { return Formatted("%.0f\n", ReadTemperature()); });
        case CliCommand::Action::input:
            return ReadDevice("input port",
                              [address] { return Formatted("0x%02x\n", ReadInputPort(address)); });
        case CliCommand::Action::scan:
            return {Scan().value_or(""), {}};
        case CliCommand::Action::get:
            return GetBytes(command);
        case CliCommand::Action::set:
            return SetBytes(command);
        case CliCommand::Action::dump:
            return DumpRegisters(command);
        default:
            return {};  // not run on the bus this way
    }
}

// Tells one run's reading or why it failed; false when the readings cannot be written.
bool Report(const CliCommand& command, const RunOutput& output, bool& printed, bool& failed) {
    if (!output.failure.empty()) {
        Complain(output.failure);
        failed = true;
        return true;
    }
    if (output.text.empty()) {
        return true;
    }
    // Grids one after another get a blank line between them.
    const bool grid =
        command.action == CliCommand::Action::scan || command.action == CliCommand::Action::dump;
    if (!Print((printed && grid ? "\n" : "") + output.text) && CaughtSignal() == 0) {
        Complain(std::string("cannot write the readings: ") + std::strerror(errno));
        return false;
    }
    printed = true;
    return true;
}

// A scan reads nothing but acknowledges, which a CTS that lies turns into devices.
bool ScanTrusted(const CliCommand& command) {
    if (command.action != CliCommand::Action::scan) {
        return true;
    }
    const std::string why = UntrustedCts();
    if (!why.empty()) {
        Complain("cannot scan: " + why);
    }
    return why.empty();
}

// A read cut short by the end of the program is no reading; one a signal kept from
// starting is none either, nor one through a port that failed.
bool RunCompleted() {
    if (LinesStopped()) {
        Complain("a transaction was cut short; a device may hold SDA: try kolvaner-cli recover");
    }
    return !PortHasFailed() && !LinesStopped() && !PortHeldTransaction();
}

}  // namespace

int RunRepeated(const CliCommand& command) {
    if (!ScanTrusted(command)) {
        return EXIT_FAILURE;
    }
    bool failed = false;
    bool printed = false;
    // Each run starts an interval after the one before started, or at once when that one
    // took longer.
    auto run_start = std::chrono::steady_clock::now();
    for (int done = 0; command.count == 0 || done < command.count; ++done) {
        if (done > 0) {
            run_start = std::max(run_start + std::chrono::milliseconds(command.interval_ms),
                                 std::chrono::steady_clock::now());
            if (!WaitUntilUnlessSignalled(run_start)) {
                break;
            }
        }
        const RunOutput output = RunOnce(command);
        if (!RunCompleted() || !Report(command, output, printed, failed)) {
            return EXIT_FAILURE;
        }
        if (CaughtSignal() != 0 || !TraceProblem().empty()) {
            break;
        }
    }
    return failed ? EXIT_FAILURE : EXIT_SUCCESS;
}
