#include "app/cli/cli_lines.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "app/cli/cli_process.h"
#include "app/process/ending_signals.h"
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
    if (PortHasFailed() || LinesStopped()) {
        return EXIT_FAILURE;
    }
    const LineFault fault = DiagnoseLines(check);
    Print(std::string("idle bus, SCL high: ") + Answer(check.clock_high) +
          "\nin a start, SCL low: " + Answer(check.clock_low) + "\n" + Verdict(fault) + "\n");
    return fault == LineFault::none ? EXIT_SUCCESS : EXIT_FAILURE;
}

int RunRecover() {
    const std::optional<int> pulses = BusClear();
    if (PortHasFailed() || LinesStopped()) {
        return EXIT_FAILURE;
    }
    if (!pulses) {
        Print("SDA still stuck low after " + std::to_string(kBusClearPulses) +
              " clock pulses: check the wiring and the pull-up, or power the devices off and "
              "on\n");
        return EXIT_FAILURE;
    }
    if (*pulses == 0) {
        Print("SDA free; sent a start and a stop\n");
    } else {
        Print("SDA free after " + std::to_string(*pulses) + " clock pulse" +
              (*pulses == 1 ? "" : "s") + "; sent a start and a stop\n");
    }
    return EXIT_SUCCESS;
}
