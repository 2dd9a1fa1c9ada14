// SPDX-License-Identifier: MIT
// The simulated devices answer only a master that is right on the wire.
#include <gtest/gtest.h>

#include <vector>

#include "port/sim/sim_bus.h"

namespace {

// A master with deliberate faults, driving the simulated bus line by line, each change
// 10 us after the last, slow enough for standard mode.
class FaultyMaster {
  public:
    explicit FaultyMaster(SimBus& bus) : bus_(bus) {}

    void Start() {
        Data(false);
        Clock(false);
    }
    void Stop() {
        Data(false);
        Clock(true);
        Data(true);
    }
    // Sends the bits as given, one clock each, then samples the acknowledge clock.
    bool Send(const std::vector<int>& bits) {
        for (const int bit : bits) {
            Data(bit != 0);
            Clock(true);
            Clock(false);
        }
        Data(true);
        Clock(true);
        const bool acknowledged = !bus_.Data();
        Clock(false);
        return acknowledged;
    }
    void Clock(bool high) {
        bus_.SetClock(high);
        bus_.WaitUntil(bus_.Now() + kStep);
    }
    void Data(bool released) {
        bus_.SetData(released);
        bus_.WaitUntil(bus_.Now() + kStep);
    }

  private:
    static constexpr SimTime kStep = 10'000;
    SimBus& bus_;
};

const std::vector<int> kCompassWriteMsbFirst = {1, 1, 0, 0, 0, 0, 0, 0};

TEST(SimulatedDevice, AnswersOnlyAnAddressSentRightOnTheWire) {
    const struct {
        const char* fault;
        bool start;
        std::vector<int> bits;
        bool acknowledged;
    } cases[] = {
        {"none", true, kCompassWriteMsbFirst, true},
        {"least significant bit first", true, {0, 0, 0, 0, 0, 0, 1, 1}, false},
        {"one clock missing", true, {1, 1, 0, 0, 0, 0, 0}, false},
        {"one clock too many", true, {1, 1, 0, 0, 0, 0, 0, 0, 0}, false},
        {"no start condition", false, kCompassWriteMsbFirst, false},
        {"another address", true, {1, 1, 0, 0, 0, 0, 1, 0}, false},
    };
    for (const auto& c : cases) {
        SimOptions options;
        options.compass = SimOptions::Compass::fixed;
        SimBus bus(options);
        FaultyMaster master(bus);
        if (c.start) {
            master.Start();
        } else {
            master.Clock(false);
        }
        EXPECT_EQ(master.Send(c.bits), c.acknowledged) << c.fault;
    }
}

// The bits of a byte in the order they go onto the wire.
std::vector<int> Bits(int value, bool msb_first) {
    std::vector<int> bits;
    bits.reserve(8);
    for (int bit = 0; bit < 8; ++bit) {
        bits.push_back((value >> (msb_first ? 7 - bit : bit)) & 1);
    }
    return bits;
}

TEST(SimulatedDevice, ThermometerAndInputPortAnswerOnlyBytesSentMostSignificantBitFirst) {
    const struct {
        const char* fault;
        int address;
        int command;  // -1: none
        bool msb_first;
        bool address_acknowledged;
        bool command_acknowledged;
    } cases[] = {
        {"none, thermometer", 0x90, 0xAA, true, true, true},
        {"none, input port", 0x41, -1, true, true, false},
        {"thermometer address LSB first", 0x90, -1, false, false, false},
        {"input port address LSB first", 0x41, -1, false, false, false},
    };
    for (const auto& c : cases) {
        SimBus bus(SimOptions{});
        FaultyMaster master(bus);
        master.Start();
        EXPECT_EQ(master.Send(Bits(c.address, c.msb_first)), c.address_acknowledged) << c.fault;
        if (c.command >= 0) {
            EXPECT_EQ(master.Send(Bits(c.command, c.msb_first)), c.command_acknowledged) << c.fault;
        }
    }
    // The address right, each command byte the wrong way round.
    for (const int command : {0xAC, 0x22, 0xEE, 0xAA}) {
        SimBus bus(SimOptions{});
        FaultyMaster master(bus);
        master.Start();
        ASSERT_TRUE(master.Send(Bits(0x90, true)));
        EXPECT_TRUE(master.Send(Bits(command, true))) << command;
        master.Stop();
        master.Start();
        ASSERT_TRUE(master.Send(Bits(0x90, true)));
        EXPECT_FALSE(master.Send(Bits(command, false))) << command << " LSB first";
    }
}

TEST(SimulatedDevice, ReleasesDataAfterTheAcknowledgeClock) {
    SimOptions options;
    SimBus bus(options);
    FaultyMaster master(bus);
    master.Start();
    ASSERT_TRUE(master.Send(kCompassWriteMsbFirst));
    EXPECT_TRUE(bus.Data());
    EXPECT_TRUE(master.Send({0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_TRUE(bus.Data());
}

TEST(SimulatedDevice, ShiftsOutOnFallingEdgesAndLetsGoAfterANotAcknowledge) {
    SimOptions options;
    SimBus bus(options);
    FaultyMaster master(bus);
    master.Start();
    ASSERT_TRUE(master.Send({1, 1, 0, 0, 0, 0, 0, 1}));
    // Register 0, the software revision 14: 0000 1110, each bit steady while SCL is high.
    const bool revision_bits[] = {false, false, false, false, true, true, true, false};
    for (const bool bit : revision_bits) {
        EXPECT_EQ(bus.Data(), bit);
        master.Clock(true);
        EXPECT_EQ(bus.Data(), bit);
        master.Clock(false);
    }
    // The master's not-acknowledge: the device lets go for good and ignores further clocks.
    EXPECT_FALSE(master.Send({1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(bus.Data());
}

}  // namespace
