// SPDX-License-Identifier: MIT
// What each simulated adapter makes of the bus: the simulated time of one bearing read, every
// raw bearing read back through it, and for a PC's own port the timing the chips see.
// Usage: adapter_figures [READS]   (default 65536: every raw value once)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "port/port_backend.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/sim/sim_bus.h"

void ShowMessageBox(std::string_view) {}

namespace {

constexpr double kNsPerMs = 1e6;
// One bearing read: 174 DTR and RTS calls and 20 CTS reads.
constexpr int kLineCallsPerRead = 194;

bool Open(const SimAdapter& adapter) {
    const std::string port = std::string("sim:compass=sweep,adapter=") + adapter.name;
    ConfigurePort({.port = port});
    OpenBus();
    return PortIsOpen();
}

// Reads count bearings of the sweeping compass; the number read wrong.
int WrongReads(int count, double& first_read_ms) {
    int wrong = 0;
    for (int raw = 0; raw < count; ++raw) {
        const std::int64_t start = OpenPortBackend().Now();
        const std::int32_t bearing = ReadBearing();
        if (raw == 0) {
            first_read_ms = static_cast<double>(OpenPortBackend().Now() - start) / kNsPerMs;
        }
        wrong += bearing == static_cast<std::int32_t>(std::nearbyint(raw / 10.0)) ? 0 : 1;
    }
    return wrong;
}

void PrintPinTiming(const PinTiming& timing, double read_ms) {
    std::printf("\nat the chips' pins through adapter=native, the shortest of each:\n");
    for (std::size_t index = 0; index < kTimingRuleCount; ++index) {
        const auto rule = static_cast<TimingRule>(index);
        std::printf("  %-8s %6.2f us  (standard mode: %.2f us)\n", TimingRuleName(rule),
                    static_cast<double>(timing.Shortest(rule)) / 1e3,
                    static_cast<double>(TimingRuleMinimum(rule)) / 1e3);
    }
    std::printf("  violations: %d\n", timing.Violations());
    // A bearing read is 55 clocks of data and acknowledge.
    std::printf("  bearing read %.3f ms, %.1f kbit/s over the whole read\n", read_ms,
                55.0 / read_ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 65536;
    if (reads < 1 || reads > 65536) {
        std::fprintf(stderr, "Usage: adapter_figures [READS]   (1-65536)\n");
        return 2;
    }
    std::printf("%-8s %12s %12s  %s\n", "adapter", "bearing read", "vs calls", "reads right");
    for (std::size_t index = 0; index < kSimAdapterCount; ++index) {
        const SimAdapter& adapter = kSimAdapters[index];
        if (!Open(adapter)) {
            std::printf("%-8s refused at open: %s\n", adapter.name, PortProblem().c_str());
            continue;
        }
        double read_ms = 0;
        const int wrong = WrongReads(reads, read_ms);
        // A USB adapter's read against its calls' round trips alone.
        const double calls_ms =
            kLineCallsPerRead * static_cast<double>(adapter.line_call) / kNsPerMs;
        const std::string versus =
            calls_ms >= 1 ? std::to_string(read_ms / calls_ms).substr(0, 4) + "x" : "-";
        std::printf("%-8s %9.3f ms %12s  %d of %d\n", adapter.name, read_ms, versus.c_str(),
                    reads - wrong, reads);
        if (std::string(adapter.name) == "native") {
            PrintPinTiming(OpenPortBackend().Simulated()->Timing(), read_ms);
            std::printf("\n");
        }
        CLOSECOM();
    }
    return 0;
}
