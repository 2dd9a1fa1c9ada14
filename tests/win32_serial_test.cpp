// SPDX-License-Identifier: MIT
// The Win32 serial backend where no serial port answers. It runs under Wine, in a prefix
// whose COM1-COM255 lead nowhere: Wine gives such a port a device that opens but is no
// serial port. COM999 does not exist there, nor on a real PC.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdint>
#include <string>
#include <vector>

#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"

namespace {

constexpr char kSettings[] = "COM1:9600,N,8,1";

// OPENCOM on this port; why it did not open.
std::string OpenComError(const std::string& port, std::int16_t& result) {
    ConfigurePort(PortConfigFor(port));
    result = OPENCOM(kSettings);
    return PortProblem();
}

TEST(Win32Serial, APortThatCannotBeUsedDoesNotOpenAndSaysWhy) {
    const struct {
        const char* port;
        const char* error_start;
        const char* error_end;
    } cases[] = {
        // Opened as \\.\COM999, named as the user knows it.
        {"COM999", "cannot open COM999: ", ")"},
        {"\\\\.\\COM999", "cannot open COM999: ", ")"},
        {" COM999: ", "cannot open COM999: ", ")"},
        {"NUL", "cannot use NUL: not a serial port (", ")"},
        // Access to a folder is denied: it is no serial port, whatever the system's text.
        {"C:\\windows",
         "cannot open C:\\windows: ", " (error 5); C:\\windows is not a serial port"},
    };
    for (const auto& c : cases) {
        std::int16_t result = -1;
        const std::string error = OpenComError(c.port, result);
        const std::string end = c.error_end;
        EXPECT_EQ(result, 0) << c.port;
        EXPECT_EQ(error.rfind(c.error_start, 0), 0U) << error;
        EXPECT_EQ(error.substr(error.size() - std::min(error.size(), end.size())), end) << error;
        EXPECT_GT(error.size(), std::string(c.error_start).size() + end.size() + 1)
            << "no reason: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "not one line: " << error;
        EXPECT_FALSE(PortIsOpen());
    }
}

TEST(Win32Serial, APortThatLeadsNowhereIsRefused) {
    std::int16_t result = -1;
    const std::string error = OpenComError("COM200", result);
    EXPECT_EQ(result, 0);
    const bool refused = error.rfind("cannot use COM200: not a serial port (", 0) == 0;
    const bool missing = error.rfind("cannot open COM200: ", 0) == 0;
    EXPECT_TRUE(refused || missing) << error;
}

TEST(Win32Serial, LinesOfAPortThatDidNotOpenDoNothing) {
    std::int16_t result = -1;
    OpenComError("COM999", result);
    testing::internal::CaptureStderr();
    DTR(0);
    RTS(0);
    EXPECT_EQ(CTS(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(PortHasFailed());
}

TEST(Win32Serial, OpeningTheBusOnAMissingPortShowsTheMessageOnce) {
    testing::internal::CaptureStderr();
    { const BusSession session("COM999"); }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{"COM1 niet beschikbaar/aanwezig"});
}

}  // namespace
