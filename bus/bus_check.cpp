// SPDX-License-Identifier: MIT
#include "bus/bus_check.h"

#include <thread>
#include <vector>

#include "bus/i2c_bus.h"
#include "bus/port_lines.h"

namespace {

constexpr int kToggles = 3;

// How CTS answered one change of DTR.
struct CtsReading {
    bool expected;  // DTR released: SDA should read high
    bool at_once;
    bool later;
};

// Sets DTR and reads CTS after the settle delay the bus gives a line before sampling it;
// a wrong reading is taken again after late_wait.
CtsReading DriveAndRead(int level, std::chrono::milliseconds late_wait) {
    DTR(level);
    SettleDelay(kOnePass);
    CtsReading reading{level == 1, SdaReadsHigh(), false};
    reading.later = reading.at_once;
    if (reading.at_once != reading.expected) {
        std::this_thread::sleep_for(late_wait);
        reading.later = SdaReadsHigh();
    }
    return reading;
}

// DTR to first_level and back, kToggles times, the clock left where it is.
std::vector<CtsReading> ToggleData(int first_level, std::chrono::milliseconds late_wait) {
    std::vector<CtsReading> readings;
    for (int toggle = 0; toggle < kToggles; ++toggle) {
        readings.push_back(DriveAndRead(first_level, late_wait));
        readings.push_back(DriveAndRead(1 - first_level, late_wait));
    }
    return readings;
}

CtsAnswer Judge(const std::vector<CtsReading>& readings) {
    bool right_at_once = true;
    bool right_later = true;
    bool always_high = true;
    bool always_low = true;
    for (const CtsReading& reading : readings) {
        right_at_once = right_at_once && reading.at_once == reading.expected;
        right_later = right_later && reading.later == reading.expected;
        always_high = always_high && reading.at_once && reading.later;
        always_low = always_low && !reading.at_once && !reading.later;
    }
    if (right_at_once) {
        return CtsAnswer::follows;
    }
    if (right_later) {
        return CtsAnswer::late;
    }
    if (always_high) {
        return CtsAnswer::stuck_high;
    }
    return always_low ? CtsAnswer::stuck_low : CtsAnswer::erratic;
}

}  // namespace

LineCheck CheckLines(std::chrono::milliseconds late_wait) {
    LineCheck check;
    // SCL high: SDA falling is a start and rising a stop, so every device stays idle.
    check.clock_high = Judge(ToggleData(0, late_wait));
    // SCL low after a start: devices wait for a clock that does not come.
    BusStart();
    check.clock_low = Judge(ToggleData(1, late_wait));
    BusStop();
    return check;
}

CtsAnswer DiagnoseLines(const LineCheck& check) {
    const auto either = [&check](CtsAnswer answer) {
        return check.clock_high == answer || check.clock_low == answer;
    };
    if (check.clock_high == CtsAnswer::stuck_high && check.clock_low == CtsAnswer::stuck_low) {
        return CtsAnswer::follows_clock;
    }
    if (either(CtsAnswer::stuck_low)) {
        return CtsAnswer::stuck_low;
    }
    if (either(CtsAnswer::stuck_high)) {
        return CtsAnswer::erratic;
    }
    if (either(CtsAnswer::late)) {
        return CtsAnswer::late;
    }
    return either(CtsAnswer::erratic) ? CtsAnswer::erratic : CtsAnswer::follows;
}

bool SdaHeldLow() {
    return !SdaReadsHigh();
}

std::optional<int> BusClear() {
    DTR(1);
    RTS(1);
    SettleDelay(kOnePass);
    int pulses = 0;
    while (!SdaReadsHigh()) {
        if (pulses == kBusClearPulses) {
            return std::nullopt;
        }
        // On the falling edge the device puts out its next bit; read it with SCL high.
        RTS(0);
        RTS(1);
        SettleDelay(kOnePass);
        ++pulses;
    }
    // SDA down and up again with SCL high: a start and a stop. A stop begun with the clock
    // low would give the device another falling edge to put a 0 bit out on.
    DTR(0);
    DTR(1);
    return pulses;
}

bool BusFreeLater(std::chrono::milliseconds late_wait) {
    std::this_thread::sleep_for(late_wait);
    if (!SdaReadsHigh()) {
        return false;
    }
    DTR(0);
    DTR(1);
    return true;
}
