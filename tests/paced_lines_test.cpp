// SPDX-License-Identifier: MIT
// The paced line calls and the open's CTS test on a simulated bus whose clock moves only by
// what the calls cost and what the pacing waits: the same times on every run.
#include <gtest/gtest.h>

#include <string>

#include "port/cts_self_test.h"
#include "port/pacing/adapters.h"
#include "port/pacing/line_pacing.h"
#include "port/pacing/paced_lines.h"
#include "port/port_backend.h"

namespace {

constexpr std::int64_t kHalfPeriod = 6494;  // 77 kHz
// A PC's own port on the simulated bus: each line call and CTS read costs 1.5 us.
constexpr std::int64_t kPortIo = 1500;

void OpenDeterministic(PortBackend& backend, const std::string& port) {
    SimOptions options;
    ASSERT_EQ(ParseSimPort(port, options), "") << port;
    backend.OpenSimulated(options, false);
}

enum class Call { dtr_low, dtr_high, rts_low, cts };

void Make(PacedLines& lines, Call call) {
    switch (call) {
        case Call::dtr_low:
        case Call::dtr_high:
            ASSERT_TRUE(lines.SetLine(Line::dtr, call == Call::dtr_high));
            break;
        case Call::rts_low:
            ASSERT_TRUE(lines.SetLine(Line::rts, false));
            break;
        case Call::cts:
            ASSERT_GE(lines.Cts(), 0);
            break;
    }
}

TEST(PacedLines, SpaceEachCallAfterTheLastChange) {
    const struct {
        const char* what;
        std::int64_t cts_wait_ns;
        Call second;
        std::int64_t gap_ns;  // from the first call's return to the second's
    } cases[] = {
        // A change half a period after the last one returned, then its own cost.
        {"change after change", 0, Call::dtr_high, kHalfPeriod + kPortIo},
        {"change of the other line", 0, Call::rts_low, kHalfPeriod + kPortIo},
        // A call that leaves the line where it is puts no edge on the pins: no wait.
        {"same level again", 0, Call::dtr_low, kPortIo},
        {"read after change", 0, Call::cts, kHalfPeriod + kPortIo},
        // A late-reporting adapter: the read waits from the change's return.
        {"read after change, late adapter", 20'000, Call::cts, 20'000 + kPortIo},
    };
    for (const auto& c : cases) {
        PortBackend backend;
        OpenDeterministic(backend, "sim:adapter=native");
        PacedLines lines(backend, {kHalfPeriod, c.cts_wait_ns});
        Make(lines, Call::dtr_low);
        const std::int64_t first_returned = backend.AfterCall();
        Make(lines, c.second);
        EXPECT_EQ(backend.AfterCall() - first_returned, c.gap_ns) << c.what;
    }
}

TEST(PacedLines, AverageWhatTheCallsCost) {
    PortBackend backend;
    OpenDeterministic(backend, "sim:adapter=pl2303");
    PacedLines lines(backend, {kHalfPeriod, 0});
    for (const Call call : {Call::dtr_low, Call::dtr_high, Call::cts, Call::cts}) {
        Make(lines, call);
    }
    // pl2303: a line change is a USB control transfer, a CTS read answers from memory.
    EXPECT_EQ(lines.LineCallNs(), 1'000'000);
    EXPECT_EQ(lines.CtsCallNs(), 5'000);
}

TEST(CtsSelfTest, TellsWhetherAndHowLateCtsFollowsDtr) {
    const struct {
        const char* port;
        CtsAnswer answer;
        std::int64_t least_ns;  // the latency measured lies in [least_ns, most_ns]
        std::int64_t most_ns;   // -1: nothing measured
    } cases[] = {
        {"sim:adapter=ideal", CtsAnswer::follows, 0, 0},
        // SDA, loaded by the CTS receiver, crosses the chips' threshold 6.5 us after the
        // call, the receiver adds 1.5 us; a read samples as it returns, 1.5 us after it
        // starts, and the latency counts to the start of the first read that sees the change.
        {"sim:adapter=native", CtsAnswer::follows, 7995 - kPortIo, 7995},
        // ch341 reports its status every 4 ms: at worst a whole interval late.
        {"sim:adapter=ch341", CtsAnswer::follows, 1'000'000, 4'000'000 + 1'000'000},
        {"sim:adapter=cdc-acm", CtsAnswer::stuck_high, -1, -1},
        {"sim:cts=stuck-high", CtsAnswer::stuck_high, -1, -1},
        // Calls that cost nothing: the polls' waits still end the test.
        {"sim:cts=stuck-high,adapter=ideal", CtsAnswer::stuck_high, -1, -1},
        // A driver that keeps the status 16 ms: the test toggles again as soon as CTS
        // followed, so each change but the first waits about a whole interval.
        {"sim:adapter=ftdi,report=16", CtsAnswer::follows, 14'000'000, 17'000'000},
        // SDA held low with the bus idle: nothing to measure, and no verdict on CTS.
        {"sim:sda=stuck-low", CtsAnswer::stuck_low, -1, -1},
    };
    for (const auto& c : cases) {
        PortBackend backend;
        OpenDeterministic(backend, c.port);
        PacedLines lines(backend, {kHalfPeriod, 0});
        const CtsSelfTest test = TestCts(lines, 250'000'000);
        EXPECT_FALSE(test.call_failed) << c.port;
        EXPECT_EQ(test.answer, c.answer) << c.port;
        EXPECT_GE(test.latency_ns.value_or(-1), c.least_ns) << c.port;
        EXPECT_LE(test.latency_ns.value_or(-1), c.most_ns) << c.port;
    }
}

// Each row of the adapter table on the simulated bus: its driver finds the row again, the
// open's test sees CTS as the row says its driver reports it, and the pacing's wait covers
// the latest a report of the simulated chip comes.
TEST(CtsSelfTest, EachAdapterIsFoundByItsDriverAndReportsAsItsRowSays) {
    for (const Adapter& row : Adapters()) {
        PortBackend backend;
        OpenDeterministic(backend, std::string("sim:adapter=") + row.name);
        const Adapter* found = AdapterOfDriver(backend.Driver());
        EXPECT_EQ(found, row.wire == AdapterWire::instant ? AdapterNamed("native") : &row)
            << row.name;
        PacedLines lines(backend, {kHalfPeriod, 0});
        const CtsSelfTest test = TestCts(lines, 250'000'000);
        const bool reports = row.cts != CtsReport::always_on;
        EXPECT_EQ(test.answer, reports ? CtsAnswer::follows : CtsAnswer::stuck_high) << row.name;
        EXPECT_EQ(test.latency_ns.has_value(), reports) << row.name;
        EXPECT_GE(CtsWaitNs(found, test.latency_ns),
                  row.report_interval_ns + SimulatedAdapter(row).report_delivery)
            << row.name;
    }
}

}  // namespace
