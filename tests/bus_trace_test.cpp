// SPDX-License-Identifier: MIT
// The bus trace: a VCD file a logic-analyser viewer opens, in nanoseconds, complete
// after every transaction, and a clear problem when it cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devices/compass.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(BusTrace, SimulatedNanosecondsAtThePinsKeepToStandardMode) {
    const std::string path = TempPath("trace.vcd");
    {
        BusSession session("sim:compass=0x0E0B,adapter=native", path);
        for (int read = 0; read < 3; ++read) {
            ReadBearing();
        }
    }
    EXPECT_NE(FileText(path).find("$timescale 1 ns $end"), std::string::npos);
    const VcdTrace trace = ReadVcd(path);
    EXPECT_EQ(trace.wires, (std::vector<std::string>{"scl", "sda"}));
    EXPECT_EQ(trace.timestamps[0], 0);
    for (std::size_t index = 1; index < trace.timestamps.size(); ++index) {
        EXPECT_GT(trace.timestamps[index], trace.timestamps[index - 1]) << index;
    }
    // SCL high at least 4.0 us and low at least 4.7 us, as the chips see it.
    for (std::size_t index = 1; index < trace.scl.size(); ++index) {
        const VcdTrace::Edge& before = trace.scl[index - 1];
        const long long lasted = trace.scl[index].time - before.time;
        EXPECT_GE(lasted, before.level ? 4000 : 4700) << "SCL edge " << index;
    }
    EXPECT_EQ(trace.transactions.size(), 9U);
    std::remove(path.c_str());
}

TEST(BusTrace, DecodesToTheLastStopAfterEachTransactionBeforeTheClose) {
    const std::string path = TempPath("flush.vcd");
    BusSession session("sim:compass=450", path);
    ReadBearing();
    EXPECT_EQ(ReadVcd(path).transactions.size(), 3U);
    ReadBearing();
    const VcdTrace trace = ReadVcd(path);
    ASSERT_EQ(trace.transactions.size(), 6U);
    EXPECT_EQ(trace.transactions.back(), "S C1A C2N P");
    std::remove(path.c_str());
}

TEST(BusTrace, AFileThatCannotBeCreatedIsAProblemAndTheBusRunsOn) {
    BusSession session("sim:compass=450", "/nonexistent-dir/trace.vcd");
    EXPECT_EQ(TraceProblem(),
              "cannot write bus trace /nonexistent-dir/trace.vcd: No such file or directory");
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(ReadBearing(), 45);
}

}  // namespace
