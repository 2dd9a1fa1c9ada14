// SPDX-License-Identifier: MIT
// The compass read through the simulated bus: the master's bits reach a bit-level model
// of the module, and its answer comes back over SDA.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>

#include "bus/i2c_bus.h"
#include "devices/compass.h"
#include "tests/support/bus_session.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

TEST(CompassOnSimulatedBus, BearingTableRoundsTiesToEven) {
    const struct {
        const char* raw;
        int bearing;
    } cases[] = {
        {"0", 0},         {"0x000F", 2},   {"25", 2},       {"0x23", 4},
        {"450", 45},      {"0x0E01", 358}, {"0x0E0B", 360}, {"3599", 360},
        {"0xFFFF", 6554}, {"0x0100", 26},  {"0x0001", 0},   {"0x8000", 3277},
    };
    for (const auto& c : cases) {
        BusSession session(std::string("sim:compass=") + c.raw);
        EXPECT_EQ(ReadBearing(), c.bearing) << "raw " << c.raw;
    }
}

TEST(CompassOnSimulatedBus, MissingCompassReadsAsReleasedLine) {
    BusSession session("sim:compass=off");
    EXPECT_EQ(ReadBearing(), 6554);
}

TEST(CompassOnSimulatedBus, TurningCompassMovesOnAboutADegreePerRead) {
    BusSession session("sim");
    const int first = ReadBearing();
    for (int read = 1; read <= 400; ++read) {
        EXPECT_EQ(ReadBearing(), (first + read) % 360) << "read " << read;
    }
}

TEST(CompassOnSimulatedBus, OneReadIsThreeTransactionsOnTheWire) {
    const std::string path = TempPath("compass.vcd");
    {
        BusSession session("sim:compass=450", path);
        ReadBearing();
    }
    const VcdTrace trace = ReadVcd(path);
    const std::vector<std::string> expected = {
        "S C0A 02A [1] P",  // register select, then the extra not-acknowledge clock
        "S C1A 01N P",      // register 2: 450 >> 8
        "S C1A C2N P",      // register 3 without a new select: the pointer moved on
    };
    EXPECT_EQ(trace.transactions, expected);
    // Every clock reaches the pins: 9 + 9 + 1, then 9 + 8 + 1 twice, and each stop's rise.
    const auto rising = std::count_if(trace.scl.begin(), trace.scl.end(),
                                      [](const VcdTrace::Edge& edge) { return edge.level; });
    EXPECT_EQ(rising, 19 + 18 + 18 + 3);
    std::remove(path.c_str());
}

TEST(CompassOnSimulatedBus, AcknowledgesOnlyItsOwnAddress) {
    BusSession session("sim:compass=450,thermo=off,inport=off");
    for (int address = 0; address < 128; ++address) {
        BusStart();
        const AckFlag ack = BusWriteByte(static_cast<BusByte>(address << 1));
        BusStop();
        EXPECT_EQ(ack, address == 0x60) << "address " << address;
    }
}

}  // namespace
