// The bus trace: a VCD file a logic-analyser viewer opens, complete after every transaction.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "devices/compass.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"
#include "tests/support/vcd_i2c.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(BusTrace, HeaderWiresAndStrictlyIncreasingMicroseconds) {
    const std::string path = TempPath("trace.vcd");
    {
        BusSession session("sim:compass=0x0E0B", path);
        for (int read = 0; read < 3; ++read) {
            ReadBearing();
        }
    }
    const std::string text = FileText(path);
    EXPECT_NE(text.find("$timescale 1 us $end"), std::string::npos);
    const VcdTrace trace = ReadVcd(path);
    EXPECT_EQ(trace.wires, (std::vector<std::string>{"scl", "sda"}));
    ASSERT_EQ(trace.timestamps.size(), 1U + 2 + 3 * 194);
    EXPECT_EQ(trace.timestamps[0], 0);
    for (std::size_t index = 1; index < trace.timestamps.size(); ++index) {
        EXPECT_GE(trace.timestamps[index], trace.timestamps[index - 1] + 1) << index;
    }
    EXPECT_EQ(trace.transactions.size(), 9U);
    std::remove(path.c_str());
}

TEST(BusTrace, CompleteOnDiskAfterEachTransactionBeforeTheClose) {
    const std::string path = TempPath("flush.vcd");
    BusSession session("sim:compass=450", path);
    ReadBearing();
    EXPECT_EQ(ReadVcd(path).transactions.size(), 3U);
    ReadBearing();
    EXPECT_EQ(ReadVcd(path).transactions.size(), 6U);
    std::remove(path.c_str());
}

TEST(BusTrace, AFileThatCannotBeCreatedIsReportedAndTheBusRunsOn) {
    testing::internal::CaptureStderr();
    BusSession session("sim:compass=450", "/nonexistent-dir/trace.vcd");
    const std::string stderr_text = testing::internal::GetCapturedStderr();
    EXPECT_NE(stderr_text.find("/nonexistent-dir/trace.vcd"), std::string::npos);
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(ReadBearing(), 45);
}

}  // namespace
