// SPDX-License-Identifier: MIT
// The bus on the simulated bus: the scan probe, the record of a missed address, and the
// one look at the idle SDA before a read.
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

TEST(MissedAddress, RecordsTheFirstAddressNobodyAcknowledged) {
    const struct {
        const char* port;
        void (*transactions)();
        std::optional<BusByte> missed;
    } cases[] = {
        {"sim", [] { ReadBearing(); }, std::nullopt},
        {"sim:compass=off", [] { ReadBearing(); }, 0x60},
        {"sim:thermo=off", [] { ReadTemperature(); }, 0x48},  // the first of six
        {"sim", [] { ReadInputPort(0x7F); }, 0x7F},
        {"sim", [] { ReadInputPort(200); }, 200},  // no address byte at all
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
         0x50},
        // The scan probe goes through the same record.
        {"sim", [] { ProbeAddress(0x30); }, 0x30},
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
