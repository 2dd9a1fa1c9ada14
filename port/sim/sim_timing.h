// SPDX-License-Identifier: MIT
// The standard-mode I2C timing a chip needs at its pins (UM10204, table 10), checked edge
// by edge.
#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "port/sim/sim_adapter.h"

enum class TimingRule {
    low,          // tLOW 4.7 us: SCL low
    high,         // tHIGH 4.0 us: SCL high
    data_setup,   // tSU;DAT 250 ns: SDA steady before SCL rises
    start_hold,   // tHD;STA 4.0 us: start to SCL falling
    start_setup,  // tSU;STA 4.7 us: SCL high before a (repeated) start
    stop_setup,   // tSU;STO 4.0 us: SCL high before a stop
    bus_free,     // tBUF 4.7 us: stop to the next start
};
constexpr std::size_t kTimingRuleCount = 7;

// The rule's name as UM10204 writes it, and its minimum.
const char* TimingRuleName(TimingRule rule);
SimTime TimingRuleMinimum(TimingRule rule);

// The levels at the pins and when they last changed; Check is called for each change.
class PinTiming {
  public:
    // The change to these levels at time now: the first rule it breaks, if any.
    std::optional<TimingRule> Check(SimTime now, bool scl, bool sda);

    // The shortest time seen for each rule, for the figures.
    SimTime Shortest(TimingRule rule) const { return shortest_[static_cast<std::size_t>(rule)]; }
    int Violations() const { return violations_; }

  private:
    std::optional<TimingRule> Measure(TimingRule rule, SimTime elapsed);

    static constexpr SimTime kNever = -1'000'000'000'000;
    bool scl_ = true;
    bool sda_ = true;
    SimTime scl_rose_ = kNever;
    SimTime scl_fell_ = kNever;
    SimTime sda_changed_ = kNever;
    SimTime started_ = kNever;
    SimTime stopped_ = kNever;
    std::array<SimTime, kTimingRuleCount> shortest_{};
    int violations_ = 0;
};
