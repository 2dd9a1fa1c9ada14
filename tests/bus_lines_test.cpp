// SPDX-License-Identifier: MIT
// The master's exact line sequences, against a port double that records every call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bus/i2c_bus.h"
#include "tests/support/line_tokens.h"
#include "tests/support/recording_port.h"

namespace {

TEST(OpenBus, FailedOpenShowsOneMessageAndTouchesNoLine) {
    ResetPort().open_result = 0;
    OpenBus();
    EXPECT_EQ(Port().Log(), "O M");
    EXPECT_EQ(Port().open_settings, "COM1:9600,N,8,1");
    ASSERT_EQ(Port().messages.size(), 1U);
    EXPECT_EQ(Port().messages[0], "COM1 niet beschikbaar/aanwezig");
}

TEST(OpenBus, AnyNonZeroResultRaisesClockThenReleasesData) {
    const std::int16_t results[] = {1, -1, 255, 32767};
    for (const std::int16_t result : results) {
        ResetPort().open_result = result;
        OpenBus();
        EXPECT_EQ(Port().Log(), "O R1 D1") << "OPENCOM returned " << result;
        EXPECT_TRUE(Port().messages.empty());
    }
}

TEST(BusConditions, LineSequencesAndLevelsLeft) {
    struct Case {
        const char* name;
        void (*operation)();
        const char* log;
        int dtr_after;
        int rts_after;
    };
    const Case cases[] = {
        {"start", BusStart, "D0 R0", 0, 0},
        {"repeated start", BusRepeatedStart, "D1 R1 w D0 R0", 0, 0},
        {"stop", BusStop, "R0 D0 R1 D1", 1, 1},
        {"ack", BusAck, "R0 D0 R1 w R0", 0, 0},
        {"no-ack", BusNoAck, "R0 D1 R1 w R0", 1, 0},
    };
    for (const Case& c : cases) {
        ResetPort();
        c.operation();
        EXPECT_EQ(Port().Log(), c.log) << c.name;
        EXPECT_EQ(Port().dtr, c.dtr_after) << c.name;
        EXPECT_EQ(Port().rts, c.rts_after) << c.name;
    }
}

TEST(BusWriteByte, SendsMostSignificantBitFirstThenSamplesAckOnce) {
    ResetPort().cts_answers = {0};
    BusWriteByte(0xA5);
    const std::string expected =
        Joined({WriteClock(1), WriteClock(0), WriteClock(1), WriteClock(0), WriteClock(0),
                WriteClock(1), WriteClock(0), WriteClock(1), "D1 R1 w C R0"});
    EXPECT_EQ(Port().Log(), expected);
    EXPECT_EQ(Port().rts, 0);
    EXPECT_EQ(Port().dtr, 1);
}

TEST(BusWriteByte, EdgeBytesDriveEveryBitTheSameWay) {
    for (const int value : {0x00, 0xFF, 0x80, 0x01}) {
        ResetPort();
        BusWriteByte(static_cast<BusByte>(value));
        EXPECT_EQ(Port().Log(), WriteByte(value)) << "byte " << value;
    }
}

TEST(BusWriteByte, OnlyAnExactOneDuringTheAckClockMeansNotAcknowledged) {
    const struct {
        std::int16_t cts;
        bool acknowledged;
    } cases[] = {{0, true}, {1, false}, {2, true}, {-1, true}};
    for (const auto& c : cases) {
        ResetPort().cts_answers = {c.cts};
        EXPECT_EQ(BusWriteByte(0x42), c.acknowledged) << "CTS " << c.cts;
    }
}

TEST(BusReadByte, ReleasesDataThenSamplesEightBitsMostSignificantFirst) {
    const struct {
        std::vector<std::int16_t> samples;
        int value;
    } cases[] = {
        {{1}, 255},
        {{0}, 0},
        {{1, 0, 0, 0, 0, 0, 0, 1}, 129},
        {{0, 1, 0, 1, 0, 1, 0, 1}, 0x55},
        {{2, -1, 1, 1, 1, 1, 1, 1}, 0x3F},  // only an exact 1 reads as high
    };
    for (const auto& c : cases) {
        ResetPort().cts_answers = c.samples;
        EXPECT_EQ(BusReadByte(), c.value);
        EXPECT_EQ(Port().cts_samples, 8U);
    }
    EXPECT_EQ(Port().Log(), ReadByte());
}

TEST(BusReadByte, AfterAnAckReleasesDataBeforeTheFirstClock) {
    ResetPort();
    BusAck();
    ASSERT_EQ(Port().dtr, 0);
    Port().tokens.clear();
    BusReadByte();
    EXPECT_EQ(Port().Log().substr(0, 8), "R0 D1 R1");
}

TEST(BusTiming, OneDelayPerClockPulseAndNoneInStartOrStop) {
    const struct {
        const char* name;
        void (*operation)();
        int delays;
        int port_calls;
    } cases[] = {
        {"start", BusStart, 0, 2},
        {"repeated start", BusRepeatedStart, 1, 4},
        {"stop", BusStop, 0, 4},
        {"ack", BusAck, 1, 4},
        {"no-ack", BusNoAck, 1, 4},
        {"write", [] { BusWriteByte(0x3C); }, 9, 28},
        {"read", [] { BusReadByte(); }, 8, 26},
    };
    for (const auto& c : cases) {
        ResetPort();
        c.operation();
        int delays = 0;
        for (const std::string& token : Port().tokens) {
            delays += token == "w" ? 1 : 0;
        }
        EXPECT_EQ(delays, c.delays) << c.name;
        EXPECT_EQ(static_cast<int>(Port().tokens.size()) - delays, c.port_calls) << c.name;
    }
}

}  // namespace
