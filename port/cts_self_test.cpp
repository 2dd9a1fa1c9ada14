// SPDX-License-Identifier: MIT
#include "port/cts_self_test.h"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>

#include "port/pacing/paced_lines.h"

namespace {

// Eight changes of DTR; the second longest latency counts, so that one change that met a
// preempted process or a late report does not decide the pacing of the whole session.
constexpr int kRounds = 4;
constexpr int kChanges = 2 * kRounds;
// Reads back to back for this long, or this many reads (calls that cost nothing move no
// simulated clock), so a port that answers in microseconds is measured to the
// microsecond; then a read every kPollStep.
constexpr std::int64_t kBusyPollNs = 100'000;
constexpr int kBusyPollReads = 1000;
constexpr std::int64_t kPollStep = 50'000;

// How long after since CTS first read level; nothing when it did not within the limit or
// a read failed.
std::optional<std::int64_t> WaitForCts(PortBackend& backend, int level, std::int64_t since,
                                       std::int64_t limit, bool& failed) {
    for (int reads = 0; !BackendInterrupted(); ++reads) {
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
        if (start - since > kBusyPollNs || reads >= kBusyPollReads) {
            backend.WaitUntil(start + kPollStep);
        }
    }
    return std::nullopt;
}

std::int64_t SecondLongest(std::array<std::int64_t, kChanges> latencies) {
    std::sort(latencies.begin(), latencies.end(), std::greater<>());
    return latencies[1];
}

// DTR low and high kRounds times, each latency into latencies: follows when CTS followed
// every change. Stuck high with DTR low: no CTS. Stuck low with DTR released: something
// holds SDA, which is the line check's business, not the adapter's. A failed call or an
// interruption ends it too, and is neither.
CtsAnswer FollowChanges(PacedLines& lines, std::int64_t limit,
                        std::array<std::int64_t, kChanges>& latencies, bool& failed) {
    PortBackend& backend = lines.Backend();
    std::size_t measured = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (const int level : {0, 1}) {
            // DTR to level, then how long CTS took to follow it.
            failed = !lines.SetLine(Line::dtr, level == 1);
            const std::optional<std::int64_t> latency =
                failed ? std::nullopt
                       : WaitForCts(backend, level, backend.AfterCall(), limit, failed);
            if (!latency) {
                return level == 0 ? CtsAnswer::stuck_high : CtsAnswer::stuck_low;
            }
            latencies.at(measured++) = *latency;
        }
    }
    return CtsAnswer::follows;
}

}  // namespace

const char* CtsAnswerText(CtsAnswer answer) {
    // In the order of CtsAnswer.
    static constexpr const char* kTexts[] = {
        "CTS follows DTR",
        "CTS follows DTR late",
        "CTS stays high when DTR pulls SDA low",
        "CTS stays low when DTR releases SDA",
        "CTS does not follow DTR reliably",
        "CTS follows RTS, not DTR",
    };
    static_assert(std::size(kTexts) == static_cast<std::size_t>(CtsAnswer::follows_clock) + 1);
    return kTexts[static_cast<std::size_t>(answer)];
}

CtsSelfTest TestCts(PacedLines& lines, std::int64_t time_limit_ns) {
    CtsSelfTest result;
    result.call_failed = !lines.SetLine(Line::rts, true) || !lines.SetLine(Line::dtr, true);
    const int idle = result.call_failed ? -1 : lines.Cts();
    result.call_failed = idle < 0;
    if (idle != 1) {
        result.answer = CtsAnswer::stuck_low;
        return result;
    }
    result.call_failed = !lines.SetLine(Line::rts, false);
    if (!result.call_failed) {
        std::array<std::int64_t, kChanges> latencies{};
        result.answer = FollowChanges(lines, time_limit_ns, latencies, result.call_failed);
        if (result.answer == CtsAnswer::follows) {
            result.latency_ns = SecondLongest(latencies);
        }
        result.interrupted = !result.latency_ns && BackendInterrupted();
    }
    result.call_failed =
        result.call_failed || !lines.SetLine(Line::dtr, true) || !lines.SetLine(Line::rts, true);
    return result;
}
