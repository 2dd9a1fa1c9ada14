// SPDX-License-Identifier: MIT
// The simulated bus's options: the text read into options, the port name, and an open that
// a bad option fails.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/compass.h"
#include "port/port_status.h"
#include "port/sim/sim_options.h"
#include "tests/support/bus_session.h"

namespace {

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
        {"sim:adapter=ch341,report=250,broken=misread,slow=100000,seed=65535", ""},
        {"sim:adapter=ch341,report=251", "bad value '251' for report (allowed: 1-250 ms, off)"},
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

TEST(SimulatorOptions, ABadOptionFailsTheOpenAndNamesIt) {
    const struct {
        const char* port;
        const char* named;
    } cases[] = {
        {"sim:compass=abc", "'abc' for compass"},
        {"sim:compass=65536", "'65536' for compass"},
        {"sim:compass=-1", "'-1' for compass"},
        {"sim:compass=", "'' for compass"},
        {"sim:compass=0x", "'0x' for compass"},
        {"sim:compas=1", "unknown option 'compas=1'"},
        {"sim:compass", "unknown option 'compass'"},
        {"sim:compass=1,,", "empty option in 'compass=1,,'"},
        {"sim:compass=1,compass=2", "compass given twice"},
        {"SIM", "lower case"},
        {"sim:thermo=65536", "'65536' for thermo"},
        {"sim:thermo=on", "'on' for thermo"},
        {"sim:thermo=-0x1", "'-0x1' for thermo"},
        {"sim:inport=256", "'256' for inport"},
        {"sim:inport=0x100", "'0x100' for inport"},
        {"sim:inport=", "'' for inport"},
        {"sim:inport=1,thermo", "unknown option 'thermo'"},
        {"sim:adapter=pl2303,report=1000", "'1000' for report"},
        {"sim:broken=ignore", "'ignore' for broken"},
        {"sim:slow=0", "'0' for slow"},
        {"sim:slow=100001", "'100001' for slow"},
        {"sim:seed=65536", "'65536' for seed"},
    };
    for (const auto& c : cases) {
        BusSession session(c.port);
        EXPECT_FALSE(PortIsOpen()) << c.port;
        EXPECT_EQ(ReadBearing(), 6554) << c.port;
        EXPECT_NE(PortProblem().find(c.named), std::string::npos) << PortProblem();
        EXPECT_NE(PortProblem().find("allowed"), std::string::npos) << PortProblem();
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{"COM1 niet beschikbaar/aanwezig"});
    }
}

}  // namespace
