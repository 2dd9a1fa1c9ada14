#include "app/cli/cli_lines.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/process/printable.h"

#include "bus/bus_check.h"
#include "port/line_pacing.h"
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

// "6.5 us", "1.00 ms": three figures or so, in the unit that reads best.
std::string Duration(std::int64_t ns) {
    char text[32];
    if (ns < 1'000'000) {
        std::snprintf(text, sizeof text, "%.1f us", static_cast<double>(ns) / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.2f ms", static_cast<double>(ns) / 1e6);
    }
    return text;
}

// The adapter, what its calls take and the clock that results.
void PrintTiming(const PortTiming& timing) {
    std::printf("adapter: %s (%s): %s\n",
                timing.driver.empty() ? "unknown driver" : Printable(timing.driver).c_str(),
                KindText(timing.kind), KindVerdict(timing.kind));
    std::printf("one line change %s, one CTS read %s\n", Duration(timing.line_call_ns).c_str(),
                Duration(timing.cts_call_ns).c_str());
    if (timing.cts_latency_ns >= 0 && timing.pacing.cts_wait_ns > 0) {
        std::printf("CTS follows DTR %s after the change; read %s after one\n",
                    Duration(timing.cts_latency_ns).c_str(),
                    Duration(timing.pacing.cts_wait_ns).c_str());
    } else if (timing.cts_latency_ns >= 0) {
        std::printf("CTS follows DTR %s after the change\n",
                    Duration(timing.cts_latency_ns).c_str());
    } else {
        std::printf("CTS not measured: SDA was low when the port opened\n");
    }
    // SCL is high for at least half a period, and for at least one call.
    const std::int64_t high_ns = std::max(timing.pacing.half_period_ns, timing.line_call_ns);
    std::printf(
        "clock %.1f kHz at most%s\n", 1e6 / (2.0 * static_cast<double>(high_ns)),
        high_ns > timing.pacing.half_period_ns ? ", as fast as the adapter's calls go" : "");
    std::printf(
        "one bearing read takes about %s\n",
        Duration(BearingReadNs(timing.pacing, timing.line_call_ns, timing.cts_call_ns)).c_str());
}

}  // namespace

std::string UntrustedCts() {
    const LineFault fault = DiagnoseLines(CheckLines(kLateCtsWait));
    const bool untrusted = fault == LineFault::cts_late || fault == LineFault::cts_erratic ||
                           fault == LineFault::cts_stuck_high;
    return untrusted ? Verdict(fault) : "";
}

int RunCheck() {
    PrintTiming(PortTimingFound());
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
