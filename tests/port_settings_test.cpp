// SPDX-License-Identifier: MIT
// The settings text OPENCOM takes, the device each COMn names, and a port name read once.
#include <gtest/gtest.h>

#include "port/port_settings.h"

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
        PortConfig config;
        EXPECT_EQ(ReadPortName("--port", c.given, config), "") << "'" << c.given << "'";
        EXPECT_EQ(config.port, c.name) << "'" << c.given << "'";
        EXPECT_EQ(config.sim.has_value(), config.port.substr(0, 3) == "sim") << c.given;
    }
}

// The simulator's options are read with the name; a bad one is kept with its message,
// which names where it came from, without half-read options, and a later good name
// replaces it.
TEST(PortSettings, PortNameKeepsTheSimulatorsOptionsOrWhatIsWrong) {
    const struct {
        const char* given;
        const char* problem;  // its start; empty: accepted
        int compass_raw;      // accepted: the compass's register
    } cases[] = {
        {"sim", "", 0},
        {" sim:compass=450: ", "", 450},
        {"SIM", "bad KOLVANER_PORT 'SIM': the simulated bus is named in lower case", 0},
        {"sim:compass=north",
         "bad KOLVANER_PORT 'sim:compass=north': bad value 'north' for compass", 0},
        {"sim:hold=2,compass=off", "bad KOLVANER_PORT 'sim:hold=2,compass=off': hold=2 needs", 0},
    };
    for (const auto& c : cases) {
        PortConfig config;
        const std::string problem = ReadPortName("KOLVANER_PORT", c.given, config);
        if (*c.problem == '\0') {
            EXPECT_EQ(problem, "") << c.given;
            ASSERT_TRUE(config.sim.has_value()) << c.given;
            EXPECT_EQ(config.sim->compass_raw, c.compass_raw) << c.given;
        } else {
            EXPECT_EQ(problem.rfind(c.problem, 0), 0U) << problem;
            EXPECT_FALSE(config.sim.has_value()) << c.given;
        }
        EXPECT_EQ(config.Problem(), problem) << c.given;
        ReadPortName("--port", "/dev/ttyUSB0", config);
        EXPECT_EQ(config.Problem(), "") << c.given;
        EXPECT_FALSE(config.sim.has_value()) << c.given;
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
