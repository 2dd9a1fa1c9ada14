// SPDX-License-Identifier: MIT
// The input port read through the simulated bus.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/input_port.h"
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

}  // namespace
