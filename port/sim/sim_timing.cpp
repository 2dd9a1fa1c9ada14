// SPDX-License-Identifier: MIT
#include "port/sim/sim_timing.h"

namespace {

struct RuleText {
    const char* name;
    SimTime minimum;
};

constexpr RuleText kRules[kTimingRuleCount] = {
    {"tLOW", 4700},    {"tHIGH", 4000},   {"tSU;DAT", 250}, {"tHD;STA", 4000},
    {"tSU;STA", 4700}, {"tSU;STO", 4000}, {"tBUF", 4700},
};

}  // namespace

const char* TimingRuleName(TimingRule rule) {
    return kRules[static_cast<std::size_t>(rule)].name;
}

SimTime TimingRuleMinimum(TimingRule rule) {
    return kRules[static_cast<std::size_t>(rule)].minimum;
}

std::optional<TimingRule> PinTiming::Measure(TimingRule rule, SimTime elapsed) {
    const auto index = static_cast<std::size_t>(rule);
    SimTime& shortest = shortest_[index];
    if (shortest == 0 || elapsed < shortest) {
        shortest = elapsed;
    }
    if (elapsed >= kRules[index].minimum) {
        return std::nullopt;
    }
    ++violations_;
    return rule;
}

// One pass over both lines' edges, in the order the rules apply at the pins.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
std::optional<TimingRule> PinTiming::Check(SimTime now, bool scl, bool sda) {
    std::optional<TimingRule> broken;
    const auto note = [&broken](std::optional<TimingRule> rule) {
        broken = broken ? broken : rule;
    };
    if (scl && !scl_) {
        note(Measure(TimingRule::low, now - scl_fell_));
        if (sda_changed_ > scl_fell_) {
            note(Measure(TimingRule::data_setup, now - sda_changed_));
        }
        scl_rose_ = now;
    } else if (!scl && scl_) {
        note(Measure(TimingRule::high, now - scl_rose_));
        if (started_ > scl_rose_) {
            note(Measure(TimingRule::start_hold, now - started_));
        }
        scl_fell_ = now;
    }
    if (sda != sda_) {
        if (scl && scl_ && !sda) {
            note(Measure(TimingRule::start_setup, now - scl_rose_));
            if (stopped_ > scl_rose_) {
                note(Measure(TimingRule::bus_free, now - stopped_));
            }
            started_ = now;
        } else if (scl && scl_) {
            note(Measure(TimingRule::stop_setup, now - scl_rose_));
            stopped_ = now;
        }
        sda_changed_ = now;
    }
    scl_ = scl;
    sda_ = sda;
    return broken;
}
