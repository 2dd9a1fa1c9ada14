// SPDX-License-Identifier: MIT
// The settings text OPENCOM takes, and the device each COMn names.
#include <gtest/gtest.h>

#include "port/port_settings.h"
#include "port/text/port_name_text.h"

namespace {

TEST(PortSettings, ReadsTheSettingsText) {
    PortSettings settings;
    ASSERT_EQ(ParsePortSettings("COM1:9600,N,8,1", settings), "");
    EXPECT_EQ(settings.port_number, 1);
    EXPECT_EQ(settings.baud, 9600);
    EXPECT_EQ(settings.parity, 'N');
    EXPECT_EQ(settings.data_bits, 8);
    EXPECT_EQ(settings.stop_bits, 1);
    ASSERT_EQ(ParsePortSettings("COM12:4800,E,7,2", settings), "");
    EXPECT_EQ(settings.port_number, 12);
    EXPECT_EQ(settings.parity, 'E');
    EXPECT_EQ(settings.data_bits, 7);
    EXPECT_EQ(settings.stop_bits, 2);
}

TEST(PortSettings, RejectsMalformedText) {
    for (const char* text :
         {"", "COM1", "COM1:", "COM0:9600,N,8,1", "LPT1:9600,N,8,1", "COM1:9600,N,8",
          "COM1:9600,N,8,1,1", "COM1:-9600,N,8,1", "COM1:9600,X,8,1", "COM1:9600,N,9,1",
          "COM1:9600,N,8,3", "COMx:9600,N,8,1"}) {
        PortSettings settings;
        EXPECT_NE(ParsePortSettings(text, settings), "") << text;
    }
}

TEST(PortSettings, PortNameLosesSurroundingSpacesAndATrailingColon) {
    const struct {
        const char* given;
        const char* name;
    } cases[] = {
        {"COM4", "COM4"},
        {"COM4 ", "COM4"},
        {" \tCOM4\t ", "COM4"},
        {"COM3:", "COM3"},
        {" COM3 : ", "COM3"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"sim:compass=450 ", "sim:compass=450"},
        {"/dev/my port", "/dev/my port"},
        {"   ", ""},
        {":", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CleanPortName(c.given), c.name) << "'" << c.given << "'";
    }
}

TEST(PortSettings, DefaultDeviceIsThePlatformsSerialPort) {
#ifdef _WIN32
    EXPECT_EQ(DefaultDevice(1), "\\\\.\\COM1");
    EXPECT_EQ(DefaultDevice(10), "\\\\.\\COM10");
#else
    EXPECT_EQ(DefaultDevice(1),
              "/dev/ttyS"
              "0");
    EXPECT_EQ(DefaultDevice(3),
              "/dev/ttyS"
              "2");
#endif
}

}  // namespace
