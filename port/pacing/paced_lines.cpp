// SPDX-License-Identifier: MIT
#include "port/pacing/paced_lines.h"

#include <optional>

namespace {

LinePacing pacing;
std::optional<bool> dtr_level;
std::optional<bool> rts_level;
std::int64_t last_change_start = 0;
std::int64_t last_change_end = 0;

struct CallTime {
    std::int64_t total_ns = 0;
    std::int64_t calls = 0;

    void Add(std::int64_t ns) {
        total_ns += ns;
        ++calls;
    }
    std::int64_t Average() const { return calls == 0 ? 0 : total_ns / calls; }
};

CallTime line_calls;
CallTime cts_calls;

}  // namespace

void StartPacing(const LinePacing& new_pacing) {
    pacing = new_pacing;
    dtr_level.reset();
    rts_level.reset();
    last_change_start = 0;
    last_change_end = 0;
    line_calls = {};
    cts_calls = {};
}

void SetPacing(const LinePacing& new_pacing) {
    pacing = new_pacing;
}

const LinePacing& Pacing() {
    return pacing;
}

bool PacedSetLine(Line line, bool high) {
    std::optional<bool>& level = line == Line::dtr ? dtr_level : rts_level;
    const bool changes = level != high;
    if (changes) {
        BackendWaitUntil(NextChangeAt(pacing, last_change_start));
    }
    const std::int64_t start = BackendNow();
    const bool done = BackendSetLine(line, high);
    const std::int64_t end = BackendAfterCall();
    line_calls.Add(end - start);
    if (changes) {
        level = high;
        last_change_start = start;
        last_change_end = end;
    }
    return done;
}

int PacedCts() {
    BackendWaitUntil(NextCtsReadAt(pacing, last_change_start, last_change_end));
    const std::int64_t start = BackendNow();
    const int level = BackendCts();
    cts_calls.Add(BackendAfterCall() - start);
    return level;
}

std::int64_t LineCallNs() {
    return line_calls.Average();
}

std::int64_t CtsCallNs() {
    return cts_calls.Average();
}
