// SPDX-License-Identifier: MIT
#include "port/serial/serial_line.h"

#include <utility>

namespace {

// What the port last set each line to; the open leaves both high.
bool rts_low = false;
bool dtr_low = false;
// Why a line or CTS call failed, taken at the call; empty while none has. Once one has,
// the adapter is gone and its lines are left alone.
std::string line_call_failure;

}  // namespace

void ForgetLineState() {
    rts_low = false;
    dtr_low = false;
    line_call_failure.clear();
}

// The system drops DTR and RTS at the last close in no set order, and SDA falling first
// with SCL high would be a start condition: SCL goes down first, then SDA, a pause apart
// so that SCL's edge reaches the pins first on any cable.
void LowerLines() {
    if (!line_call_failure.empty()) {
        return;
    }
    if (!rts_low) {
        SystemSetLine(Line::rts, false);
        PauseBetweenLines();
    }
    if (!dtr_low) {
        SystemSetLine(Line::dtr, false);
    }
    rts_low = true;
    dtr_low = true;
}

void LineCallFailed(std::string reason) {
    line_call_failure = std::move(reason);
}

bool SerialSetLine(Line line, bool high) {
    std::string failure = SystemSetLine(line, high);
    const bool done = failure.empty();
    if (!done) {
        LineCallFailed(std::move(failure));
    }
    bool& low = line == Line::rts ? rts_low : dtr_low;
    low = done && !high;
    return done;
}

const std::string& SerialFailure() {
    return line_call_failure;
}
