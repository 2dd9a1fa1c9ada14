// SPDX-License-Identifier: MIT
// The line check and the bus clear on the simulated bus, healthy and with its faults.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bus/bus_check.h"
#include "devices/compass.h"
#include "tests/support/bus_session.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

using namespace std::chrono_literals;

TEST(CheckLinesOnSimulatedBus, FindsEachFault) {
    const struct {
        const char* port;
        CtsAnswer clock_high;
        CtsAnswer clock_low;
        CtsAnswer verdict;
    } cases[] = {
        {"sim", CtsAnswer::follows, CtsAnswer::follows, CtsAnswer::follows},
        {"sim:sda=stuck-low", CtsAnswer::stuck_low, CtsAnswer::stuck_low, CtsAnswer::stuck_low},
        {"sim:cts=late", CtsAnswer::late, CtsAnswer::late, CtsAnswer::late},
        {"sim:hold=8", CtsAnswer::stuck_low, CtsAnswer::stuck_low, CtsAnswer::stuck_low},
        // The start's falling clock edge finishes the byte: the compass lets go.
        {"sim:hold=1", CtsAnswer::stuck_low, CtsAnswer::follows, CtsAnswer::stuck_low},
    };
    for (const auto& c : cases) {
        BusSession session(c.port);
        const LineCheck check = CheckLines(0ms);
        EXPECT_EQ(check.clock_high, c.clock_high) << c.port;
        EXPECT_EQ(check.clock_low, c.clock_low) << c.port;
        EXPECT_EQ(DiagnoseLines(check), c.verdict) << c.port;
    }
}

TEST(CheckLinesOnSimulatedBus, ClocksNothingIntoADeviceAndLeavesTheBusWorking) {
    int bearing = 0;
    const std::vector<std::string> traffic = TrafficWhile("sim:compass=450", [&] {
        CheckLines(0ms);
        bearing = ReadBearing();
    });
    const std::vector<std::string> expected = {
        "S P", "S P", "S P", "S P", "S C0A 02A [1] P", "S C1A 01N P", "S C1A C2N P",
    };
    EXPECT_EQ(traffic, expected);
    EXPECT_EQ(bearing, 45);
}

TEST(BusClearOnSimulatedBus, FreesACompassCutOffMidReadAndTheBearingReadsRightAgain) {
    {
        BusSession session("sim:compass=450,hold=3");
        EXPECT_NE(ReadBearing(), 45) << "a held bus should spoil the read";
    }
    for (int hold = 1; hold <= 8; ++hold) {
        BusSession session("sim:compass=450,hold=" + std::to_string(hold));
        EXPECT_EQ(BusClear(), hold);
        EXPECT_EQ(ReadBearing(), 45) << "hold=" << hold;
        EXPECT_EQ(BusClear(), 0) << "hold=" << hold;
    }
}

TEST(BusClearOnSimulatedBus, GivesUpAfterNinePulsesOnAStuckLine) {
    const std::string path = TempPath("stuck.vcd");
    {
        BusSession session("sim:sda=stuck-low", path);
        EXPECT_EQ(BusClear(), std::nullopt);
    }
    const VcdTrace trace = ReadVcd(path);
    std::remove(path.c_str());
    // The first sample, then nine pulses of a fall, a rise and a sample.
    ASSERT_EQ(trace.levels.size(), 1U + 1 + 9 * 3);
    EXPECT_EQ(trace.levels.back(), "10") << "clock left high, SDA still low";
}

TEST(BusClearOnSimulatedBus, WaveformOfACompassLettingGoAfterThreePulses) {
    const std::string path = TempPath("clear.vcd");
    {
        BusSession session("sim:hold=3", path);
        EXPECT_EQ(BusClear(), 3);
    }
    const VcdTrace trace = ReadVcd(path);
    std::remove(path.c_str());
    // SCL and SDA at each change at the pins and each CTS sample, after the header.
    std::string waveform;
    for (std::size_t instant = 1; instant < trace.levels.size(); ++instant) {
        waveform += trace.levels[instant] + " ";
    }
    EXPECT_EQ(waveform,
              "10 "           // DTR(1) and RTS(1) change nothing, SDA samples low
              "00 10 10 "     // pulse 1: SDA still held
              "00 10 10 "     // pulse 2: SDA still held
              "00 01 11 11 "  // pulse 3: the chip lets go after the falling edge
              "10 11 ");      // start and stop with SCL high
}

}  // namespace
