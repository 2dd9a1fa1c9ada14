// SPDX-License-Identifier: MIT
// How fast the modem lines may change so that the chips at the pins see standard-mode I2C,
// and how long an adapter's CTS takes to tell the truth. Pure arithmetic, no port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "port/pacing/adapters.h"

// The longest interval between an adapter's modem status reports that the port's open
// measures, and so the longest the simulator's report= takes. A report reaches the host
// less than an interval after the chip took it, so CTS follows within two.
constexpr unsigned kMaxReportIntervalMs = 250;
constexpr std::int64_t kLongestCtsFollowNs = 2LL * kMaxReportIntervalMs * kNsPerMs;

constexpr int kMinClockKhz = 1;
constexpr int kMaxClockKhz = 100;
// The shortest half period that keeps every standard-mode minimum at the chips' pins
// through the slowest RS-232 driver with the CTS receiver's load on SDA: no clock asked
// for runs the pins faster than this (8.98 us, 55.7 kHz, set by tBUF).
std::int64_t PinHalfPeriodNs();
// The fastest whole kHz that the pins keep: a bit written in three half periods goes at
// 37 kbit/s.
constexpr int kDefaultClockKhz = 55;

// "1" to "100" kHz, as KOLVANER_CLOCK and --clock take it: empty on success, else
// "bad NAME 'TEXT' (1-100 kHz)".
std::string ParseClockKhz(std::string_view name, std::string_view text, int& khz);

struct LinePacing {
    // From the return of the call that made the last line change to the next change or
    // CTS read: half an SCL period. A bit written takes three (data, clock up, clock
    // down), a bit read two.
    std::int64_t half_period_ns = 0;
    // From that return to a CTS read, for an adapter whose CTS follows late.
    std::int64_t cts_wait_ns = 0;
};

// Half a period of khz, rounded up, and never less than PinHalfPeriodNs(): the clock at
// the pins is at most khz.
std::int64_t HalfPeriodNs(int khz);

// How long a CTS read waits after a change returned, on this adapter (nullptr: a driver
// Kolvaner does not know) whose CTS followed DTR latency_ns after the DTR call returned
// (nothing: not measured). Twice what was measured, on every adapter; on one that reports
// late or is unknown, at least two report intervals, and when nothing was measured never
// less than twice the slowest interval seen on CH340 chips.
std::int64_t CtsWaitNs(const Adapter* adapter, std::optional<std::int64_t> latency_ns);

// The earliest time the next line change may go out, and the next CTS read, counted from
// the return of the call that made the last change: a call that took long squeezes no gap.
std::int64_t NextChangeAt(const LinePacing& pacing, std::int64_t last_change_end);
std::int64_t NextCtsReadAt(const LinePacing& pacing, std::int64_t last_change_end);
