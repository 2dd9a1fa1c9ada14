// SPDX-License-Identifier: MIT
// The input port reader against the recording port double: what reaches the port lines.
#include <gtest/gtest.h>

#include "devices/input_port.h"
#include "tests/support/line_tokens.h"
#include "tests/support/recording_port.h"

namespace {

TEST(ReadInputPort, AddressAbove127IsRefusedBeforeAnyPortCall) {
    for (const int address : {128, 129, 200, 255}) {
        ResetPort();
        ForgetMissedAddress();
        EXPECT_EQ(ReadInputPort(static_cast<BusByte>(address)), 0xFF) << "address " << address;
        EXPECT_EQ(MissedAddress(), address);
        EXPECT_EQ(Port().Log(), "") << "address " << address;
    }
}

TEST(ReadInputPort, Address127IsReadWithReadAddressByte0xFF) {
    // Not acknowledged, then the data bits of 0xAA.
    ResetPort().cts_answers = {1, 1, 0, 1, 0, 1, 0, 1, 0};
    EXPECT_EQ(ReadInputPort(127), 0xAA);
    EXPECT_EQ(Port().Log(), Joined({kStart, WriteByte(0xFF), ReadByte(), kNoAck, kStop}));
}

}  // namespace
