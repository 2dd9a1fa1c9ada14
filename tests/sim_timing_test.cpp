// SPDX-License-Identifier: MIT
// The simulated chips keep to standard-mode timing at their pins and the simulated
// adapters report CTS as the real ones do.
#include <gtest/gtest.h>

#include <cstdint>

#include "port/sim/sim_bus.h"

namespace {

// When each of the master's line changes comes, in ns after the one before.
struct MasterTiming {
    SimTime bus_free = 10'000;    // after a stop, to the start
    SimTime start_hold = 10'000;  // after the start, to SCL falling
    SimTime data_after_fall = 5'000;
    SimTime data_setup = 5'000;  // data to SCL rising
    SimTime high = 10'000;
};

// The compass's write address through adapter=ideal, whose lines change at the pins the
// moment they are set: the chip sees exactly this timing.
bool CompassAcknowledges(const MasterTiming& timing, int& violations) {
    SimOptions options;
    options.adapter = FindSimAdapter("ideal");
    SimBus bus(options, false);
    SimTime now = 0;
    const auto after = [&](SimTime delay) {
        now += delay;
        bus.WaitUntil(now);
    };
    after(10'000);
    bus.SetData(false);  // a start and a stop, so the next start follows a stop
    after(10'000);
    bus.SetData(true);
    after(timing.bus_free);
    bus.SetData(false);
    after(timing.start_hold);
    bus.SetClock(false);
    for (int bit = 7; bit >= 0; --bit) {
        after(timing.data_after_fall);
        bus.SetData(((0xC0 >> bit) & 1) != 0);
        after(timing.data_setup);
        bus.SetClock(true);
        after(timing.high);
        bus.SetClock(false);
    }
    after(timing.data_after_fall);
    bus.SetData(true);
    after(timing.data_setup);
    bus.SetClock(true);
    after(timing.high / 2);
    const bool acknowledged = !bus.Data();
    violations = bus.Timing().Violations();
    return acknowledged;
}

TEST(SimulatedTiming, AChipIgnoresATransactionThatBreaksAStandardModeMinimum) {
    const struct {
        const char* rule;
        MasterTiming timing;
        bool acknowledged;
    } cases[] = {
        {"none broken", {}, true},
        {"each just kept", {4'700, 4'000, 2'500, 2'200, 4'000}, true},
        {"tHIGH", {.high = 3'900}, false},
        {"tLOW", {.data_after_fall = 2'000, .data_setup = 2'600}, false},
        {"tSU;DAT", {.data_setup = 200}, false},
        {"tHD;STA", {.start_hold = 3'900}, false},
        {"tBUF", {.bus_free = 4'600}, false},
    };
    for (const auto& c : cases) {
        int violations = 0;
        EXPECT_EQ(CompassAcknowledges(c.timing, violations), c.acknowledged) << c.rule;
        EXPECT_EQ(violations > 0, !c.acknowledged) << c.rule;
    }
}

TEST(SimulatedTiming, EachAdapterReportsCtsAsItsDriverDoes) {
    const struct {
        const char* adapter;
        std::optional<SimTime> report_interval;
        SimTime read_at;  // after DTR was asked low, with SDA high before
        bool cts;
    } cases[] = {
        // 1.5 us of port I/O and 3.0 us to the chips' low threshold: SDA low from 4.5 us.
        {"native", {}, 4'000, true},
        {"native", {}, 6'000, false},
        // A fresh status reads the pin at the end of its 1 ms call.
        {"ftdi", {}, 1'000'000, false},
        // The host keeps the status of the last 1 ms report: stale until the report after
        // the change.
        {"pl2303", {}, 1'500'000, true},
        {"pl2303", {}, 2'100'000, false},
        {"ch341", 8'000'000, 7'900'000, true},
        {"ch341", 8'000'000, 8'100'000, false},
        {"ch341", 0, 50'000'000, true},
        {"cdc-acm", {}, 50'000'000, true},
    };
    for (const auto& c : cases) {
        SimOptions options;
        options.adapter = FindSimAdapter(c.adapter);
        options.report_interval = c.report_interval;
        SimBus bus(options, false);
        bus.SetData(false);
        bus.WaitUntil(c.read_at);
        EXPECT_EQ(bus.Cts(), c.cts) << c.adapter << " at " << c.read_at << " ns";
    }
}

}  // namespace
