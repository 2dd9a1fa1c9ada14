// SPDX-License-Identifier: MIT
// The thermometer read through the simulated bus: a bit-level DS1621-type model answers
// the master's transactions over SDA.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus/i2c_bus.h"
#include "devices/thermometer.h"
#include "tests/support/bus_session.h"

namespace {

TEST(ThermometerOnSimulatedBus, TemperatureTableRoundsTiesToEven) {
    const struct {
        const char* raw;
        double celsius;
        const char* why;
    } cases[] = {
        {"0x1900", 25, "25.0"},
        {"0x1980", 26, "25.5 rounds to even"},
        {"0x1880", 24, "24.5 rounds to even"},
        {"0x0180", 2, "1.5 rounds to even"},
        {"0x7D00", 125, "125.0"},
        {"0x7F80", 128, "127.5 rounds to even 128, above the chip's range"},
        {"0x0080", 0, "0.5 rounds to even"},
        {"0xFF00", -1, "255.0, less 256"},
        {"0xFF80", 0, "255.5 rounds to 256, less 256"},
        {"0xE700", -25, "231.0, less 256"},
        {"0xE680", -26, "230.5 rounds to 230, less 256"},
        {"0xE780", -24, "231.5 rounds to 232, less 256"},
        {"0x8000", -128, "128.0, less 256"},
        {"0xFFFF", 0, "255.996 rounds to 256, less 256"},
        {"6400", 25, "decimal 0x1900"},
    };
    for (const auto& c : cases) {
        BusSession session(std::string("sim:thermo=") + c.raw);
        EXPECT_EQ(ReadTemperature(), c.celsius) << "raw " << c.raw << ": " << c.why;
    }
}

TEST(ThermometerOnSimulatedBus, MissingThermometerReadsAsReleasedLine) {
    BusSession session("sim:thermo=off");
    EXPECT_EQ(ReadTemperature(), 0.0);
}

TEST(ThermometerOnSimulatedBus, OneReadIsSixTransactionsOnTheWire) {
    // Commands without the not-acknowledge clock; one byte per read transaction.
    const std::vector<std::string> expected = {
        "S 90A ACA P", "S 90A 22A P", "S 90A EEA P", "S 90A AAA P", "S 91A E7N P", "S 91A 80N P",
    };
    EXPECT_EQ(TrafficWhile("sim:thermo=0xE780", [] { ReadTemperature(); }), expected);
    const std::vector<std::string> nobody = {
        "S 90N ACN P", "S 90N 22N P", "S 90N EEN P", "S 90N AAN P", "S 91N FFN P", "S 91N FFN P",
    };
    EXPECT_EQ(TrafficWhile("sim:thermo=off", [] { ReadTemperature(); }), nobody);
}

TEST(ThermometerModel, AcknowledgesOnlyItsEightCommands) {
    BusSession session("sim");
    for (int command = 0; command < 256; ++command) {
        BusStart();
        EXPECT_TRUE(BusWriteByte(0x90));
        const AckFlag ack = BusWriteByte(static_cast<BusByte>(command));
        BusStop();
        const bool known = command == 0xAC || command == 0x22 || command == 0xEE ||
                           command == 0xAA || command == 0xA1 || command == 0xA2 ||
                           command == 0xA8 || command == 0xA9;
        EXPECT_EQ(ack, known) << "command " << command;
    }
}

TEST(ThermometerModel, HandsOutHighByteThenLowByteOneReadTransactionEach) {
    BusSession session("sim:thermo=0x1234");
    const auto read_transaction = [] {
        BusStart();
        BusWriteByte(0x91);
        const int value = BusReadByte();
        BusNoAck();
        BusStop();
        return value;
    };
    const auto command = [](BusByte byte) {
        BusStart();
        BusWriteByte(0x90);
        BusWriteByte(byte);
        BusStop();
    };
    command(0xEE);
    EXPECT_EQ(read_transaction(), 0xFF) << "no read command yet";
    command(0xAA);
    std::vector<int> bytes;
    bytes.reserve(3);
    for (int read = 0; read < 3; ++read) {
        bytes.push_back(read_transaction());
    }
    EXPECT_EQ(bytes, (std::vector<int>{0x12, 0x34, 0x12}));
    command(0xAA);
    EXPECT_EQ(read_transaction(), 0x12) << "a new read command starts at the high byte";
}

}  // namespace
