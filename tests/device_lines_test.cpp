// Device reads against the recording port double: what reaches the port lines.
#include <gtest/gtest.h>

#include <string>

#include "devices/input_port.h"
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
    std::string expected = "D0 R0";
    for (int bit = 0; bit < 8; ++bit) {
        expected += " D1 R1 w R0";
    }
    expected += " D1 R1 w C R0 R0 D1";
    for (int bit = 0; bit < 8; ++bit) {
        expected += " R1 w C R0";
    }
    expected += " R0 D1 R1 w R0 R0 D0 R1 D1";
    EXPECT_EQ(Port().Log(), expected);
}

}  // namespace
