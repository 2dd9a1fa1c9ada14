#include <gtest/gtest.h>

#include "port/port_settings.h"
#include "port/sim/sim_options.h"

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

TEST(SimOptionsText, AcceptsValuesInDecimalAndHex) {
    const struct {
        const char* text;
        SimOptions::Compass mode;
        int raw;
    } cases[] = {
        {"", SimOptions::Compass::turning, 0},
        {"compass=turning", SimOptions::Compass::turning, 0},
        {"compass=off", SimOptions::Compass::off, 0},
        {"compass=65535", SimOptions::Compass::fixed, 65535},
        {"compass=0xfFfF", SimOptions::Compass::fixed, 65535},
        {"compass=0X10", SimOptions::Compass::fixed, 16},
        {"thermo=1,compass=2", SimOptions::Compass::fixed, 2},
    };
    for (const auto& c : cases) {
        SimOptions options;
        ASSERT_EQ(ParseSimOptions(c.text, options), "") << c.text;
        EXPECT_EQ(options.compass, c.mode) << c.text;
        if (c.mode == SimOptions::Compass::fixed) {
            EXPECT_EQ(options.compass_raw, c.raw) << c.text;
        }
    }
}

TEST(SimOptionsText, ThermometerAndInputPortAreOnUnlessSwitchedOff) {
    const struct {
        const char* text;
        bool thermometer;
        int thermometer_raw;
        bool input_port;
        int pins;
    } cases[] = {
        {"", true, 0x1980, true, 0xFF},
        {"thermo=off,inport=off", false, 0x1980, false, 0xFF},
        {"thermo=0xE700,inport=0x5a", true, 0xE700, true, 0x5A},
        {"inport=0,thermo=65535", true, 65535, true, 0},
    };
    for (const auto& c : cases) {
        SimOptions options;
        ASSERT_EQ(ParseSimOptions(c.text, options), "") << c.text;
        EXPECT_EQ(options.thermometer, c.thermometer) << c.text;
        EXPECT_EQ(options.thermometer_raw, c.thermometer_raw) << c.text;
        EXPECT_EQ(options.input_port, c.input_port) << c.text;
        EXPECT_EQ(options.input_port_pins, c.pins) << c.text;
    }
}

TEST(SimPortName, NoEmptyOptionAndTheNameInLowerCase) {
    const struct {
        const char* port;
        const char* refusal;  // what the error names; empty when the port is fine
    } cases[] = {
        {"sim", ""},
        {"sim:compass=450,hold=2", ""},
        {"sim:compass=450,", "empty option in 'compass=450,'"},
        {"sim:", "no options after 'sim:'"},
        {"Sim:compass=450", "lower case"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(NamesSimulator(c.port)) << c.port;
        SimOptions options;
        const std::string error = ParseSimPort(c.port, options);
        EXPECT_EQ(error.empty(), *c.refusal == '\0') << c.port << ": " << error;
        EXPECT_NE(error.find(c.refusal), std::string::npos) << c.port << ": " << error;
    }
    for (const char* port : {"simulator", "COM1"}) {
        EXPECT_FALSE(NamesSimulator(port)) << port;
    }
}

}  // namespace
