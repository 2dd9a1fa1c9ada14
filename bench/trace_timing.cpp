// SPDX-License-Identifier: MIT
// Bus timing as the program drives it, read from a bus trace (KOLVANER_TRACE): the shortest
// SCL high and low times and the effective bit rate, beside the standard-mode I2C minimums.
// Usage: trace_timing FILE.vcd
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tests/support/vcd_i2c.h"

namespace {

constexpr double kStandardModeHighUs = 4.0;
constexpr double kStandardModeLowUs = 4.7;
constexpr double kNsPerUs = 1000.0;

double Microseconds(long long nanoseconds) {
    return static_cast<double>(nanoseconds) / kNsPerUs;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: trace_timing FILE.vcd\n");
        return 2;
    }
    const VcdTrace trace = ReadVcd(argv[1]);
    if (trace.transactions.empty()) {
        std::fprintf(stderr, "trace_timing: %s: no I2C transaction in the trace\n", argv[1]);
        return 1;
    }
    long long shortest_high = std::numeric_limits<long long>::max();
    long long shortest_low = std::numeric_limits<long long>::max();
    long long clocks = 0;
    for (std::size_t index = 1; index < trace.scl.size(); ++index) {
        const VcdTrace::Edge& previous = trace.scl[index - 1];
        const VcdTrace::Edge& edge = trace.scl[index];
        if (edge.level == previous.level) {
            continue;
        }
        long long& shortest = previous.level ? shortest_high : shortest_low;
        shortest = std::min(shortest, edge.time - previous.time);
        clocks += edge.level ? 1 : 0;
    }
    long long busy_ns = 0;
    for (const VcdTrace::Span& span : trace.transaction_times) {
        busy_ns += span.stop - span.start;
    }
    std::printf("transactions %zu, clocks %lld, bus busy %.1f us\n", trace.transactions.size(),
                clocks, Microseconds(busy_ns));
    std::printf("shortest SCL high  %9.3f us   (standard mode needs %.1f us)\n",
                Microseconds(shortest_high), kStandardModeHighUs);
    std::printf("shortest SCL low   %9.3f us   (standard mode needs %.1f us)\n",
                Microseconds(shortest_low), kStandardModeLowUs);
    // Clocks per microsecond are megabits per second: a thousand kbit/s each.
    const double busy_us = Microseconds(busy_ns);
    std::printf("effective bit rate %9.1f kbit/s (standard mode allows 100)\n",
                busy_us > 0 ? 1000.0 * static_cast<double>(clocks) / busy_us : 0.0);
    return 0;
}
