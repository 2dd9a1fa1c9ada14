// SPDX-License-Identifier: MIT
#include "port/pacing/paced_lines.h"

bool PacedLines::SetLine(Line line, bool high) {
    std::optional<bool>& level = line == Line::dtr ? dtr_level_ : rts_level_;
    const bool changes = level != high;
    if (changes) {
        backend_->WaitUntil(NextChangeAt(pacing_, last_change_end_));
    }
    const std::int64_t start = backend_->Now();
    const bool done = backend_->SetLine(line, high);
    const std::int64_t end = backend_->AfterCall();
    line_calls_.Add(end - start);
    if (changes) {
        level = high;
        last_change_end_ = end;
    }
    return done;
}

int PacedLines::Cts() {
    backend_->WaitUntil(NextCtsReadAt(pacing_, last_change_end_));
    const std::int64_t start = backend_->Now();
    const int level = backend_->Cts();
    cts_calls_.Add(backend_->AfterCall() - start);
    return level;
}
