// SPDX-License-Identifier: MIT
// When a modem line's change reaches the chips at the bus pins: through the RS-232 driver,
// 4.7 kOhm from DTR to SDA and from RTS to SCL, and on SDA the CTS receiver's input to
// ground. The port's pacing and the simulated adapters both use these figures.
#pragma once

#include <cstdint>

namespace pin_edges {

// An RS-232 driver of the MAX232 class at its slowest: 3.5 us from the call to the 0 V
// crossing, then 3 V/us (MAX232 data sheet, tPLH/tPHL and slew rate; EIA-232 allows
// 4-30 V/us into 3-7 kOhm).
constexpr std::int64_t kDriverDelayNs = 3500;
constexpr std::int64_t kSlewMvPerUs = 3000;
// The chips read 0.7 VDD as high and 0.3 VDD as low, at VDD = 5 V (UM10204, table 9).
constexpr std::int64_t kHighMv = 3500;
constexpr std::int64_t kLowMv = 1500;
// The pull-up in series with DTR, and the RS-232 receiver's input resistance, 3 kOhm at
// least, 5 typical, 7 at most (MAX232 and MAX3232 data sheets, "Input resistance"): SDA
// sees DTR divided by (4.7 k + R) / R, so the driver must swing further before the chips
// see SDA change. 3 kOhm divides most: SDA rises latest and falls earliest.
constexpr std::int64_t kPullUpOhm = 4700;
constexpr std::int64_t kReceiverOhm = 3000;

// From the end of a line call to its edge crossing the chips' threshold at the pins.
struct PinEdges {
    std::int64_t scl_rise;
    std::int64_t scl_fall;
    std::int64_t sda_rise;
    std::int64_t sda_fall;
};

// The time the driver takes to swing from 0 V to mv, in ns, rounded up.
constexpr std::int64_t SwingNs(std::int64_t mv) {
    return (mv * 1000 + kSlewMvPerUs - 1) / kSlewMvPerUs;
}

// What DTR must reach for SDA to stand at mv behind the receiver's load, rounded up.
constexpr std::int64_t LoadedMv(std::int64_t mv) {
    return (mv * (kPullUpOhm + kReceiverOhm) + kReceiverOhm - 1) / kReceiverOhm;
}

// A rising edge crosses the high threshold after the 0 V crossing, a falling edge the low
// one before it.
constexpr PinEdges kSlowestDriver = {
    kDriverDelayNs + SwingNs(kHighMv),
    kDriverDelayNs - SwingNs(kLowMv),
    kDriverDelayNs + SwingNs(LoadedMv(kHighMv)),
    kDriverDelayNs - SwingNs(LoadedMv(kLowMv)),
};

// The chips' data valid time: a slave puts its next bit on SDA at most this long after
// SCL falls at its pin (UM10204, tVD;DAT, standard mode).
constexpr std::int64_t kSlaveDataValidNs = 3450;

}  // namespace pin_edges
