// SPDX-License-Identifier: MIT
// The simulated chips keep to standard-mode timing at their pins and the simulated
// adapters report CTS as the real ones do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "bus/i2c_bus.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "port/port_backend.h"
#include "port/port_settings.h"
#include "port/port_status.h"
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
bool CompassAcknowledges(const MasterTiming& timing, SimOptions::Broken broken, int& violations) {
    SimOptions options;
    options.adapter = AdapterNamed("ideal");
    options.broken = broken;
    SimBus bus(options);
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

TEST(SimulatedTiming, AChipIgnoresOrMisreadsATransactionThatBreaksAStandardModeMinimum) {
    constexpr auto kAbandon = SimOptions::Broken::abandon;
    constexpr auto kMisread = SimOptions::Broken::misread;
    const struct {
        const char* rule;
        MasterTiming timing;
        SimOptions::Broken broken;
        bool acknowledged;
        bool kept;  // no minimum broken
    } cases[] = {
        {"none broken", {}, kAbandon, true, true},
        {"each just kept", {4'700, 4'000, 2'500, 2'200, 4'000}, kAbandon, true, true},
        {"tHIGH", {.high = 3'900}, kAbandon, false, false},
        {"tLOW", {.data_after_fall = 2'000, .data_setup = 2'600}, kAbandon, false, false},
        {"tSU;DAT", {.data_setup = 200}, kAbandon, false, false},
        {"tHD;STA", {.start_hold = 3'900}, kAbandon, false, false},
        {"tBUF", {.bus_free = 4'600}, kAbandon, false, false},
        // Goes on: a falling edge too soon shifts nothing wrong in, and the address holds...
        {"tHIGH, misread", {.high = 3'900}, kMisread, true, false},
        // ...a rising edge too soon takes each address bit inverted: not its address.
        {"tSU;DAT, misread", {.data_setup = 200}, kMisread, false, false},
    };
    for (const auto& c : cases) {
        int violations = 0;
        EXPECT_EQ(CompassAcknowledges(c.timing, c.broken, violations), c.acknowledged) << c.rule;
        EXPECT_EQ(violations == 0, c.kept) << c.rule;
    }
}

// Through each adapter at the default clock and the fastest one accepted, with chips that
// misread a broken bit: the bearing comes out right and the pins keep every minimum, also
// when calls now and then take long and when CTS comes late on an adapter whose driver
// says it should not.
TEST(SimulatedTiming, ThePacedPortKeepsEveryMinimumAtThePins) {
    const struct {
        const char* adapter;
        int clock_khz;
        const char* more;  // further options
    } cases[] = {
        {"native", 55, ""},         {"native", 100, ""},         {"pl2303", 100, ""},
        {"ch341", 100, ""},         {"native", 55, ",slow=200"}, {"native", 55, ",report=2"},
        {"ftdi", 55, ",report=16"},
    };
    for (const auto& c : cases) {
        const std::string port =
            std::string("sim:compass=450,broken=misread,adapter=") + c.adapter + c.more;
        ConfigurePort(PortConfigFor(port, c.clock_khz));
        OpenBus();
        for (int read = 0; read < 4; ++read) {
            EXPECT_EQ(ReadBearing(), 45) << port << " at " << c.clock_khz;
        }
        const SimBus* bus = OpenPortBackend().Simulated();
        ASSERT_NE(bus, nullptr);
        EXPECT_EQ(bus->Timing().Violations(), 0) << port << " at " << c.clock_khz;
        CLOSECOM();
    }
}

TEST(SimulatedTiming, OneCallInEightTakesTheSlowOptionsTimeLonger) {
    SimOptions options;
    options.slow_call = 100'000;
    SimBus bus(options);
    constexpr int kCalls = 400;
    for (int call = 0; call < kCalls; ++call) {
        bus.SetClock(call % 2 == 0);
    }
    const SimTime slow = bus.Now() - kCalls * SimulatedAdapter(*options.adapter).line_call;
    EXPECT_EQ(slow % options.slow_call, 0);
    // 50 expected; a fair die is within 25-75 here.
    EXPECT_GE(slow / options.slow_call, 25);
    EXPECT_LE(slow / options.slow_call, 75);
}

TEST(SimulatedTiming, EachAdapterReportsCtsAsItsDriverDoes) {
    const struct {
        const char* adapter;
        std::optional<SimTime> report_interval;
        SimTime read_at;  // after DTR was asked low, with SDA high before
        bool cts;
    } cases[] = {
        // 1.5 us of port I/O and 2.2 us to the chips' low threshold (the receiver's load
        // lowers SDA with DTR): SDA low from 3.7 us, a read's receiver sees it 1.5 us later.
        {"native", {}, 3'500, true},
        {"native", {}, 6'000, false},
        // A fresh status reads the pin at the end of its 1 ms call.
        {"ftdi", {}, 1'000'000, false},
        // The host keeps the status of the last report. SDA is low at the pins 2.2 us after
        // the 1 ms call, at the receiver's output 1.5 us later; a report taken after that
        // arrives within an interval, and within another it has been delivered (1 ms).
        {"pl2303", {}, 1'003'000, true},
        {"pl2303", {}, 3'004'000, false},
        {"ch341", 8'000'000, 1'003'000, true},
        {"ch341", 8'000'000, 10'004'000, false},
        {"ch341", 0, 50'000'000, true},
        {"cdc-acm", {}, 50'000'000, true},
    };
    for (const auto& c : cases) {
        SimOptions options;
        options.adapter = AdapterNamed(c.adapter);
        options.report_interval = c.report_interval;
        SimBus bus(options);
        bus.SetData(false);
        bus.WaitUntil(c.read_at);
        EXPECT_EQ(bus.Cts(), c.cts) << c.adapter << " at " << c.read_at << " ns";
    }
}

// When a report of a polled adapter first shows SDA low after DTR was asked low at 0.
SimTime FirstReportShowingLow(std::uint32_t seed) {
    SimOptions options;
    options.adapter = AdapterNamed("ch341");
    options.seed = seed;
    SimBus bus(options);
    bus.SetData(false);
    while (bus.Cts()) {
        bus.WaitUntil(bus.Now() + 10'000);
    }
    return bus.Now();
}

TEST(SimulatedTiming, ReportsComeAtAPhaseAndDelayTheSeedSets) {
    EXPECT_EQ(FirstReportShowingLow(7), FirstReportShowingLow(7));
    SimTime earliest = FirstReportShowingLow(1);
    SimTime latest = earliest;
    for (std::uint32_t seed = 2; seed <= 8; ++seed) {
        earliest = std::min(earliest, FirstReportShowingLow(seed));
        latest = std::max(latest, FirstReportShowingLow(seed));
    }
    // Within a 4 ms interval and a 1 ms delivery of the change, and not all alike.
    EXPECT_GE(earliest, 1'003'716);
    EXPECT_LE(latest, 6'003'716 + 10'000);
    EXPECT_GT(latest - earliest, 1'000'000);
}

// After a signal's hold no start leaves an idle bus, while a repeated start of the
// transaction under way still goes out; the next open starts afresh.
TEST(SimulatedTiming, AfterTheHoldNoTransactionStartsButTheOneUnderWayGoesOn) {
    for (const bool under_way : {false, true}) {
        ConfigurePort(PortConfigFor("sim:compass=450"));
        OpenBus();
        if (under_way) {
            DTR(0);  // a start
            RTS(0);
        }
        HoldNewTransactions();
        if (under_way) {
            DTR(1);
            RTS(1);
        }
        DTR(0);  // a start from the idle bus, or a repeated one
        EXPECT_EQ(PortHeldTransaction(), !under_way) << under_way;
        RTS(0);
        DTR(0);
        RTS(1);
        DTR(1);  // a stop
        CLOSECOM();
        OpenBus();
        EXPECT_EQ(ReadBearing(), 45) << under_way;
        EXPECT_FALSE(PortHeldTransaction()) << under_way;
        CLOSECOM();
    }
}

}  // namespace
