// SPDX-License-Identifier: MIT
#include "port/cts_self_test.h"

#include <algorithm>
#include <optional>

#include "port/pacing/paced_lines.h"

namespace {

constexpr int kRounds = 4;
// Reads back to back for this long, so a port that answers in microseconds is measured to
// the microsecond; then a read every kPollStep.
constexpr std::int64_t kBusyPollNs = 100'000;
constexpr std::int64_t kPollStep = 50'000;

// How long after since CTS first read level; nothing when it did not within the limit or
// a read failed.
std::optional<std::int64_t> WaitForCts(PortBackend& backend, int level, std::int64_t since,
                                       std::int64_t limit, bool& failed) {
    while (!BackendInterrupted()) {
        // As the last call left the clock: the simulated bus measures what the calls cost.
        const std::int64_t start = backend.AfterCall();
        const int cts = backend.Cts();
        if (cts < 0) {
            failed = true;
            return std::nullopt;
        }
        if (cts == level) {
            return start - since;
        }
        if (start - since > limit) {
            break;
        }
        if (start - since > kBusyPollNs) {
            backend.WaitUntil(start + kPollStep);
        }
    }
    return std::nullopt;
}

}  // namespace

CtsSelfTest TestCts(PacedLines& lines, std::int64_t time_limit_ns) {
    PortBackend& backend = lines.Backend();
    CtsSelfTest result;
    result.call_failed = !lines.SetLine(Line::rts, true) || !lines.SetLine(Line::dtr, true);
    const int idle = result.call_failed ? -1 : lines.Cts();
    result.call_failed = idle < 0;
    if (idle != 1) {
        return result;
    }
    result.call_failed = !lines.SetLine(Line::rts, false);
    for (int round = 0; round < kRounds && !result.call_failed; ++round) {
        for (const int level : {0, 1}) {
            result.call_failed = !lines.SetLine(Line::dtr, level == 1);
            const std::optional<std::int64_t> latency =
                result.call_failed ? std::nullopt
                                   : WaitForCts(backend, level, backend.AfterCall(), time_limit_ns,
                                                result.call_failed);
            if (!latency) {
                // Stuck high with DTR low: no CTS. Stuck low with DTR released: something
                // holds SDA, which is the line check's business, not the adapter's.
                result.reports_cts = result.call_failed || level == 1;
                round = kRounds;
                break;
            }
            result.latency_ns = std::max(result.latency_ns, *latency);
        }
    }
    result.call_failed =
        result.call_failed || !lines.SetLine(Line::dtr, true) || !lines.SetLine(Line::rts, true);
    return result;
}
