// SPDX-License-Identifier: MIT
// What each simulated adapter makes of the bus at each clock and report interval: how many
// raw bearings of a sweep read back right, the simulated time of one read, and the shortest
// time the chips' pins saw against each standard-mode minimum (the margin, in us). The
// chips misread a bit whose timing is broken, so pacing that is too fast shows as wrong
// values, as on hardware.
// Usage: adapter_figures [READS]   (1-65536, default 4096: raw values 0 to READS-1; every
// adapter at its defaults reads all 65,536)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "port/pacing/line_pacing.h"
#include "port/port_backend.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/sim/sim_bus.h"

void ShowMessageBox(std::string_view) {}

namespace {

constexpr int kAllRaw = 65536;
constexpr double kNsPerMs = 1e6;
constexpr int kClocks[] = {1, 10, 50, kDefaultClockKhz, kMaxClockKhz};
constexpr int kReportsMs[] = {1, 4, 16, 250};

struct Setup {
    std::string adapter;
    int clock_khz;
    int report_ms;  // 0: the adapter's own
    std::string extra;
};

struct Figures {
    int reads = 0;
    int right = 0;
    double read_ms = 0;
};

// Reads count bearings of the sweeping compass, raw values 0 to count-1.
Figures Sweep(int count) {
    Figures figures{count, 0, 0};
    const std::int64_t start = OpenPortBackend().AfterCall();
    for (int raw = 0; raw < count; ++raw) {
        const std::int32_t bearing = ReadBearing();
        figures.right += bearing == static_cast<std::int32_t>(std::nearbyint(raw / 10.0)) ? 1 : 0;
    }
    figures.read_ms = static_cast<double>(OpenPortBackend().AfterCall() - start) / kNsPerMs / count;
    return figures;
}

std::string PortFor(const Setup& setup) {
    std::string port = "sim:compass=sweep,broken=misread,adapter=" + setup.adapter;
    if (setup.report_ms > 0) {
        port += ",report=" + std::to_string(setup.report_ms);
    }
    return port + setup.extra;
}

void PrintHeader() {
    std::printf("%-8s %4s %6s %-9s %13s %10s", "adapter", "kHz", "report", "options", "right",
                "ms/read");
    for (std::size_t index = 0; index < kTimingRuleCount; ++index) {
        std::printf(" %8s", TimingRuleName(static_cast<TimingRule>(index)));
    }
    std::printf(" %6s\n", "broken");
}

void PrintMargins(const PinTiming& timing) {
    for (std::size_t index = 0; index < kTimingRuleCount; ++index) {
        const auto rule = static_cast<TimingRule>(index);
        const SimTime shortest = timing.Shortest(rule);
        if (shortest == 0) {
            std::printf(" %8s", "-");
        } else {
            std::printf(" %8.2f", static_cast<double>(shortest - TimingRuleMinimum(rule)) / 1e3);
        }
    }
    std::printf(" %6d\n", timing.Violations());
}

// One line of figures; false when a read came out wrong or the port refused the setup.
bool Measure(const Setup& setup, int reads) {
    const std::string port = PortFor(setup);
    ConfigurePort(PortConfigFor(port, setup.clock_khz));
    OpenBus();
    const std::string report = setup.report_ms > 0 ? std::to_string(setup.report_ms) : "-";
    std::printf("%-8s %4d %6s %-9s", setup.adapter.c_str(), setup.clock_khz, report.c_str(),
                setup.extra.empty() ? "-" : setup.extra.c_str() + 1);
    if (!PortIsOpen()) {
        std::printf(" refused: %s\n", PortProblem().c_str());
        return setup.adapter == "cdc-acm";
    }
    const Figures figures = Sweep(reads);
    std::printf(" %6d/%-6d %10.3f", figures.right, figures.reads, figures.read_ms);
    PrintMargins(OpenPortBackend().Simulated()->Timing());
    CLOSECOM();
    std::fflush(stdout);
    return figures.right == figures.reads;
}

std::vector<Setup> Setups() {
    std::vector<Setup> setups;
    for (const Adapter& adapter : Adapters()) {
        const bool polled = adapter.cts == CtsReport::polled;
        if (adapter.cts == CtsReport::always_on) {
            setups.push_back({adapter.name, kDefaultClockKhz, 0, ""});
            continue;
        }
        for (const int clock : kClocks) {
            if (!polled) {
                setups.push_back({adapter.name, clock, 0, ""});
                continue;
            }
            for (const int report : kReportsMs) {
                setups.push_back({adapter.name, clock, report, ""});
            }
        }
    }
    // Calls that sometimes take longer: the pacing must keep every minimum all the same.
    for (const char* adapter : {"native", "pl2303"}) {
        setups.push_back({adapter, kDefaultClockKhz, 0, ",slow=200"});
        setups.push_back({adapter, kMaxClockKhz, 0, ",slow=200"});
    }
    // CTS late on adapters whose drivers say it is not: a driver that keeps the status it
    // last read, a virtual machine's port.
    setups.push_back({"ftdi", kDefaultClockKhz, 16, ""});
    setups.push_back({"native", kDefaultClockKhz, 2, ""});
    return setups;
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 4096;
    if (reads < 1 || reads > kAllRaw) {
        std::fprintf(stderr, "Usage: adapter_figures [READS]   (1-65536)\n");
        return 2;
    }
    std::printf("the pins' shortest half period: %.3f us (%.1f kHz)\n",
                static_cast<double>(PinHalfPeriodNs()) / 1e3,
                1e6 / (2.0 * static_cast<double>(PinHalfPeriodNs())));
    std::printf("margins: the shortest time at the pins less the standard-mode minimum, us\n\n");
    PrintHeader();
    bool all_right = true;
    for (const Setup& setup : Setups()) {
        all_right = Measure(setup, reads) && all_right;
    }
    std::printf("\nat each adapter's defaults, all %d raw values:\n", kAllRaw);
    PrintHeader();
    for (const Adapter& adapter : Adapters()) {
        all_right = Measure({adapter.name, kDefaultClockKhz, 0, ""}, kAllRaw) && all_right;
    }
    return all_right ? 0 : 1;
}
