// SPDX-License-Identifier: MIT
#include "app/cli/cli_lines.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "app/cli/cli_output.h"
#include "app/cli/cli_process.h"
#include "app/process/ending_signals.h"
#include "app/process/printable.h"
#include "bus/bus_check.h"
#include "port/pacing/line_pacing.h"
#include "port/port_status.h"

namespace {

// Long enough for a USB adapter to pass a changed modem status on to the PC.
constexpr std::chrono::milliseconds kLateCtsWait{30};

// What the check's answer means for the bus, and what to do about it.
std::string Verdict(CtsAnswer answer) {
    const std::string said = CtsAnswerText(answer);
    switch (answer) {
        case CtsAnswer::follows:
            break;
        case CtsAnswer::follows_clock:
            return said + ": SCL and SDA may be swapped in the wiring";
        case CtsAnswer::stuck_low:
            return "SDA stuck low: a device may be holding the bus; try kolvaner-cli recover";
        case CtsAnswer::late:
            return said + ": this adapter reports CTS late, so reads come out wrong";
        case CtsAnswer::stuck_high:  // not from DiagnoseLines
        case CtsAnswer::erratic:
            return said + ": check the wiring, pull-up and interface";
    }
    return "lines ok";
}

// "6.5 us", "1.00 ms": three figures or so, in the unit that reads best.
std::string Duration(std::int64_t ns) {
    if (ns < 1'000'000) {
        return Formatted("%.1f us", static_cast<double>(ns) / 1e3);
    }
    return Formatted("%.2f ms", static_cast<double>(ns) / 1e6);
}

// About what one bearing read takes at this pacing, with these costs per call.
std::int64_t BearingReadNs(const LinePacing& pacing, std::int64_t line_call_ns,
                           std::int64_t cts_call_ns) {
    // 174 DTR and RTS calls, about 140 of which change a line (the rest leave it where it
    // is and need no pacing), and 20 CTS reads.
    constexpr std::int64_t kLineCalls = 174;
    constexpr std::int64_t kChanges = 140;
    constexpr std::int64_t kCtsReads = 20;
    // Each change and each read waits from the return of the call before it.
    return kLineCalls * line_call_ns + kChanges * pacing.half_period_ns +
           kCtsReads * (std::max(pacing.half_period_ns, pacing.cts_wait_ns) + cts_call_ns);
}

// The adapter, what its calls take and the clock that results.
std::string TimingText(const PortTiming& timing) {
    const std::string driver = timing.driver.empty() ? "driver unknown" : Printable(timing.driver);
    std::string text = "adapter: " + driver;
    if (timing.adapter != nullptr) {
        text += std::string(" (") + AdapterText(timing.adapter) + ")";
    }
    text += std::string(": ") + AdapterVerdict(timing.adapter) + "\n";
    text += "one line change " + Duration(timing.line_call_ns) + ", one CTS read " +
            Duration(timing.cts_call_ns) + "\n";
    if (!timing.cts_latency_ns) {
        text += "CTS not measured: SDA was low when the port opened\n";
    } else {
        text += "CTS follows DTR " + Duration(*timing.cts_latency_ns) + " after the change";
        if (timing.pacing.cts_wait_ns > 0) {
            text += "; read " + Duration(timing.pacing.cts_wait_ns) + " after one";
        }
        text += "\n";
    }
    // SCL is high for at least half a period, and for at least one call.
    const std::int64_t high_ns = std::max(timing.pacing.half_period_ns, timing.line_call_ns);
    text += Formatted("clock %.1f kHz at most", 1e6 / (2.0 * static_cast<double>(high_ns)));
    text += high_ns > timing.pacing.half_period_ns ? ", as fast as the adapter's calls go\n" : "\n";
    return text + "one bearing read takes about " +
           Duration(BearingReadNs(timing.pacing, timing.line_call_ns, timing.cts_call_ns)) + "\n";
}

}  // namespace

std::string UntrustedCts() {
    const LineCheck check = CheckLines(kLateCtsWait);
    // A check cut short, or through a port that failed, says nothing about CTS.
    if (CaughtSignal() != 0 || LinesStopped()) {
        return "line check interrupted";
    }
    if (PortHasFailed()) {
        return "line check failed";
    }
    const CtsAnswer answer = DiagnoseLines(check);
    const bool untrusted = answer == CtsAnswer::late || answer == CtsAnswer::erratic;
    return untrusted ? Verdict(answer) : "";
}

int RunCheck() {
    Print(TimingText(PortTimingFound()));
    const LineCheck check = CheckLines(kLateCtsWait);
    if (CaughtSignal() != 0 || LinesStopped()) {
        Complain("line check interrupted");
        return EXIT_FAILURE;
    }
    if (PortHasFailed()) {
        return EXIT_FAILURE;
    }
    const CtsAnswer answer = DiagnoseLines(check);
    Print(std::string("idle bus, SCL high: ") + CtsAnswerText(check.clock_high) +
          "\nin a start, SCL low: " + CtsAnswerText(check.clock_low) + "\n" + Verdict(answer) +
          "\n");
    return answer == CtsAnswer::follows ? EXIT_SUCCESS : EXIT_FAILURE;
}

int RunRecover() {
    // With SDA held low at the open, how late CTS follows was never measured: a read may
    // show SDA as it was some pulses before, so a count is only the most it took.
    const bool untimed = !PortTimingFound().cts_latency_ns;
    std::optional<int> pulses = BusClear();
    if (!pulses && untimed && !PortHasFailed() && !LinesStopped() && CaughtSignal() == 0 &&
        BusFreeLater(std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::nanoseconds(kLongestCtsFollowNs)))) {
        pulses = kBusClearPulses;
    }
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
        Print(std::string("SDA free after ") + (untimed ? "at most " : "") +
              std::to_string(*pulses) + " clock pulse" + (*pulses == 1 ? "" : "s") +
              "; sent a start and a stop\n");
    }
    return EXIT_SUCCESS;
}
