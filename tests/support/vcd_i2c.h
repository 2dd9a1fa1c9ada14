// SPDX-License-Identifier: MIT
// Reads a bus trace (VCD) back and decodes the I2C traffic on it, as a logic analyser
// would: one string per transaction, e.g. "S C0A 02A [1] P" = start, 0xC0 acknowledged,
// 0x02 acknowledged, one more clock with SDA high, stop. A byte's 9th bit shows as A (low)
// or N (high); a start inside a transaction shows as Sr; the SCL rise that sets up a stop
// or a repeated start is not counted as a clock. Like sigrok's VCD import, it takes the
// changes at an instant only when a later instant follows.
#pragma once

#include <string>
#include <vector>

struct VcdTrace {
    struct Edge {
        long long time;  // nanoseconds
        bool level;
    };
    struct Span {
        long long start;
        long long stop;
    };
    std::vector<std::string> wires;
    std::vector<long long> timestamps;  // the instants at which something changed, in ns
    std::vector<std::string> transactions;
    std::vector<Edge> scl;                // every value written to scl, in order
    std::vector<Span> transaction_times;  // start to stop of each transaction
    // SCL and SDA after each instant, e.g. "10" = clock high, data low.
    std::vector<std::string> levels;
};

VcdTrace ReadVcd(const std::string& path);
