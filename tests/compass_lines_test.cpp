// SPDX-License-Identifier: MIT
// The compass reader's transactions, line by line, against the recording port double.
#include <gtest/gtest.h>

#include <string>

#include "devices/compass.h"
#include "tests/support/line_tokens.h"
#include "tests/support/recording_port.h"

namespace {

// CTS answers for one read: acknowledges low, then the two data bytes bit by bit.
std::vector<std::int16_t> Answers(int high, int low) {
    std::vector<std::int16_t> answers = {0, 0, 0};
    for (int bit = 7; bit >= 0; --bit) {
        answers.push_back(static_cast<std::int16_t>((high >> bit) & 1));
    }
    answers.push_back(0);
    for (int bit = 7; bit >= 0; --bit) {
        answers.push_back(static_cast<std::int16_t>((low >> bit) & 1));
    }
    return answers;
}

TEST(ReadBearing, RunsTheThreeTransactionsExactly) {
    ResetPort().cts_answers = Answers(0x01, 0xC2);
    EXPECT_EQ(ReadBearing(), 45);
    const std::string select = Joined({kStart, WriteByte(0xC0), WriteByte(0x02), kNoAck, kStop});
    const std::string read = Joined({kStart, WriteByte(0xC1), ReadByte(), kNoAck, kStop});
    EXPECT_EQ(Port().Log(), Joined({select, read, read}));
}

TEST(ReadBearing, Makes194PortCalls) {
    ResetPort();
    ReadBearing();
    int port_calls = 0;
    for (const std::string& token : Port().tokens) {
        port_calls += token != "w" ? 1 : 0;
    }
    EXPECT_EQ(port_calls, 66 + 64 + 64);
}

TEST(ReadBearing, HighByteComesFirst) {
    const struct {
        int high;
        int low;
        int bearing;
    } cases[] = {{0x0E, 0x0B, 360}, {0x0B, 0x0E, 283}, {0xFF, 0xFF, 6554}, {0x00, 0x00, 0}};
    for (const auto& c : cases) {
        ResetPort().cts_answers = Answers(c.high, c.low);
        EXPECT_EQ(ReadBearing(), c.bearing) << c.high << " " << c.low;
    }
}

}  // namespace
