// The input port read through the simulated bus, and the bus scan that finds the devices.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bus/bus_check.h"
#include "bus/bus_scan.h"
#include "bus/bus_transfer.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "tests/support/bus_session.h"

namespace {

TEST(InputPortOnSimulatedBus, ReturnsThePinLevels) {
    const struct {
        const char* pins;
        int value;
    } cases[] = {
        {"0", 0x00},    {"1", 0x01},   {"0x80", 0x80}, {"0x5A", 0x5A},
        {"0xa5", 0xA5}, {"254", 0xFE}, {"255", 0xFF},  {"off", 0xFF},
    };
    for (const auto& c : cases) {
        BusSession session(std::string("sim:inport=") + c.pins);
        EXPECT_EQ(ReadInputPort(32), c.value) << "inport=" << c.pins;
    }
}

TEST(InputPortOnSimulatedBus, OneReadIsOneBareReadTransaction) {
    const struct {
        int address;
        const char* transaction;
    } cases[] = {
        {32, "S 41A 3CN P"},   // the port answers its read address
        {0, "S 01N FFN P"},    // general call with the read bit: nobody answers
        {127, "S FFN FFN P"},  // the highest address
        {33, "S 43N FFN P"},
    };
    for (const auto& c : cases) {
        const auto address = static_cast<BusByte>(c.address);
        const std::vector<std::string> traffic =
            TrafficWhile("sim:inport=0x3C", [&] { ReadInputPort(address); });
        EXPECT_EQ(traffic, std::vector<std::string>{c.transaction}) << "address " << c.address;
    }
}

// One address probed: a write, then a stop; kolvaner-cli's scan runs it once per address.
TEST(BusScan, ProbeIsAnAddressWriteAndAStop) {
    const struct {
        const char* port;
        BusByte address;
        bool answered;
        const char* transaction;
    } cases[] = {
        {"sim", 0x48, true, "S 90A P"},
        {"sim", 0x30, false, "S 60N P"},
        {"sim:thermo=off", 0x48, false, "S 90N P"},
        {"sim", 0x77, false, "S EEN P"},
    };
    for (const auto& c : cases) {
        bool answered = false;
        const std::vector<std::string> traffic =
            TrafficWhile(c.port, [&] { answered = ProbeAddress(c.address); });
        EXPECT_EQ(answered, c.answered) << c.transaction;
        EXPECT_EQ(traffic, std::vector<std::string>{c.transaction});
    }
}

TEST(MissedAddress, RecordsTheFirstAddressByteNobodyAcknowledged) {
    const struct {
        const char* port;
        void (*transactions)();
        std::optional<BusByte> missed;
    } cases[] = {
        {"sim", [] { ReadBearing(); }, std::nullopt},
        {"sim:compass=off", [] { ReadBearing(); }, 0xC0},
        {"sim:thermo=off", [] { ReadTemperature(); }, 0x90},  // the first miss: 0x91 follows
        {"sim", [] { ReadInputPort(0x7F); }, 0xFF},
        // A data byte that is not acknowledged is no missing device.
        {"sim", [] { WriteBytes(0x48, {0x12}); }, std::nullopt},
        // After a repeated start the next byte is an address again.
        {"sim",
         [] {
             BusStart();
             BusWriteByte(0xC0);
             BusWriteByte(0x02);
             BusRepeatedStart();
             BusWriteByte(0xA1);
             BusStop();
         },
         0xA1},
        // The scan probe goes through the same record.
        {"sim", [] { ProbeAddress(0x30); }, 0x60},
    };
    for (const auto& c : cases) {
        BusSession session(c.port);
        ForgetMissedAddress();
        c.transactions();
        EXPECT_EQ(MissedAddress(), c.missed) << c.port;
    }
}

TEST(SdaHeldLow, OneSampleOfTheIdleBus) {
    const struct {
        const char* port;
        bool held_low;
    } cases[] = {{"sim", false}, {"sim:sda=stuck-low", true}, {"sim:hold=3", true}};
    for (const auto& c : cases) {
        const std::vector<std::string> traffic =
            TrafficWhile(c.port, [&] { EXPECT_EQ(SdaHeldLow(), c.held_low) << c.port; });
        EXPECT_TRUE(traffic.empty()) << c.port;
    }
}

}  // namespace
