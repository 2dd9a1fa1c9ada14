// SPDX-License-Identifier: MIT
#include "app/cli/cli_lines.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bus/bus_check.h"
#include "port/port_status.h"

namespace {

// Long enough for a USB adapter to pass a changed modem status on to the PC.
constexpr std::chrono::milliseconds kLateCtsWait{30};

const char* Answer(CtsAnswer answer) {
    switch (answer) {
        case CtsAnswer::follows:
            break;
        case CtsAnswer::late:
            return "CTS follows DTR late";
        case CtsAnswer::stuck_high:
            return "CTS stays high when DTR pulls SDA low";
        case CtsAnswer::stuck_low:
            return "CTS stays low when DTR releases SDA";
        case CtsAnswer::erratic:
            return "CTS does not follow DTR reliably";
    }
    return "CTS follows DTR";
}

const char* Verdict(LineFault fault) {
    switch (fault) {
        case LineFault::none:
            break;
        case LineFault::cts_follows_clock:
            return "CTS follows RTS, not DTR: SCL and SDA may be swapped in the wiring";
        case LineFault::sda_stuck_low:
            return "SDA stuck low: a device may be holding the bus; try kolvaner-cli recover";
        case LineFault::cts_stuck_high:
            return "CTS does not follow DTR: this adapter may not report CTS "
                   "(CDC-ACM adapters report it always on)";
        case LineFault::cts_late:
            return "CTS follows DTR late: this adapter reports CTS late, so reads come out wrong";
        case LineFault::cts_erratic:
            return "CTS does not follow DTR reliably: check the wiring, pull-up and interface";
    }
    return "lines ok";
}

}  // namespace

int RunCheck() {
    const LineCheck check = CheckLines(kLateCtsWait);
    if (PortHasFailed()) {
        return EXIT_FAILURE;
    }
    const LineFault fault = DiagnoseLines(check);
    std::printf("idle bus, SCL high: %s\n", Answer(check.clock_high));
    std::printf("in a start, SCL low: %s\n", Answer(check.clock_low));
    std::printf("%s\n", Verdict(fault));
    return fault == LineFault::none ? EXIT_SUCCESS : EXIT_FAILURE;
}

int RunRecover() {
    const std::optional<int> pulses = BusClear();
    if (PortHasFailed()) {
        return EXIT_FAILURE;
    }
    if (!pulses) {
        std::printf(
            "SDA still stuck low after %d clock pulses: check the wiring and the "
            "pull-up, or power the devices off and on\n",
            kBusClearPulses);
        return EXIT_FAILURE;
    }
    if (*pulses == 0) {
        std::printf("SDA free; sent a start and a stop\n");
    } else {
        std::printf("SDA free after %d clock pulse%s; sent a start and a stop\n", *pulses,
                    *pulses == 1 ? "" : "s");
    }
    return EXIT_SUCCESS;
}
