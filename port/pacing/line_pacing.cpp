// SPDX-License-Identifier: MIT
#include "port/pacing/line_pacing.h"

#include <algorithm>

#include "port/pin_edges.h"
#include "port/text/number_text.h"

namespace {

// Standard-mode minimums at the pins (UM10204, table 10), in ns.
constexpr std::int64_t kLow = 4700;
constexpr std::int64_t kHigh = 4000;
constexpr std::int64_t kBusFree = 4700;
constexpr std::int64_t kStartSetup = 4700;
constexpr std::int64_t kStartHold = 4000;
constexpr std::int64_t kStopSetup = 4000;
constexpr std::int64_t kDataSetup = 250;

// Two line changes half a period apart reach the pins half a period plus the second
// edge's delay less the first's apart; each pair of edges that a minimum spans must keep
// it. A bit read spans tLOW with one half period, and the slave's bit must be steady
// before SCL rises.
constexpr std::int64_t ShortestHalfPeriod(const pin_edges::PinEdges& e) {
    const std::int64_t sda_latest = std::max(e.sda_rise, e.sda_fall);
    const std::int64_t needs[] = {
        kHigh + e.scl_rise - e.scl_fall,        // SCL up, SCL down
        kLow + e.scl_fall - e.scl_rise,         // SCL down, SCL up
        kStartSetup + e.scl_rise - e.sda_fall,  // SCL up, SDA down: a repeated start
        kStopSetup + e.scl_rise - e.sda_rise,   // SCL up, SDA up: a stop
        kBusFree + e.sda_rise - e.sda_fall,     // the stop, the next start
        kStartHold + e.sda_fall - e.scl_fall,   // a start, SCL down
        kDataSetup + sda_latest - e.scl_rise,   // SDA set, SCL up
        kDataSetup + pin_edges::kSlaveDataValidNs + e.scl_fall - e.scl_rise,
    };
    return std::ranges::max(needs);
}

// Through the slowest driver's edges, and through a port whose edges come at once.
constexpr std::int64_t kPinHalfPeriodNs =
    std::max(ShortestHalfPeriod(pin_edges::kSlowestDriver), ShortestHalfPeriod({}));

// An adapter that reports late and could not be measured: the slowest report interval
// seen on CH340 chips, twice.
constexpr std::int64_t kUnmeasuredCtsWaitNs = 20 * kNsPerMs;

}  // namespace

std::string ParseClockKhz(std::string_view name, std::string_view text, int& khz) {
    if (!ParseNumber(text, false, kMaxClockKhz, khz) || khz < kMinClockKhz) {
        return "bad " + std::string(name) + " '" + std::string(text) + "' (" +
               std::to_string(kMinClockKhz) + "-" + std::to_string(kMaxClockKhz) + " kHz)";
    }
    return {};
}

std::int64_t PinHalfPeriodNs() {
    return kPinHalfPeriodNs;
}

std::int64_t HalfPeriodNs(int khz) {
    // 1 / (2 kHz) in ns, rounded up so the clock never runs faster than asked.
    const std::int64_t per_period = 2LL * khz;
    return std::max((kNsPerMs + per_period - 1) / per_period, kPinHalfPeriodNs);
}

std::int64_t CtsWaitNs(const Adapter* adapter, std::optional<std::int64_t> latency_ns) {
    // What the open measured governs, twice over; a report interval only sets a floor.
    const std::int64_t measured = 2 * latency_ns.value_or(0);
    if (adapter != nullptr && adapter->cts != CtsReport::polled) {
        return measured;
    }
    // A report comes within an interval of a change. A nominal interval is no measurement:
    // nothing measured waits as long as for the slowest adapters.
    const std::int64_t reports = adapter != nullptr ? 2 * adapter->report_interval_ns : 0;
    return std::max(latency_ns ? measured : kUnmeasuredCtsWaitNs, reports);
}

std::int64_t NextChangeAt(const LinePacing& pacing, std::int64_t last_change_end) {
    return last_change_end + pacing.half_period_ns;
}

std::int64_t NextCtsReadAt(const LinePacing& pacing, std::int64_t last_change_end) {
    return last_change_end + std::max(pacing.half_period_ns, pacing.cts_wait_ns);
}
