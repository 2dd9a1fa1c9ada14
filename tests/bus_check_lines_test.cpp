// SPDX-License-Identifier: MIT
// The line check and the bus clear against a port double: their exact line sequences, and
// what they make of adapters that answer CTS wrongly.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bus/bus_check.h"
#include "tests/support/line_tokens.h"
#include "tests/support/recording_port.h"

namespace {

using namespace std::chrono_literals;

// The port as the open left it: the bus idle.
RecordingPort& IdlePort() {
    RecordingPort& port = ResetPort();
    port.dtr = 1;
    port.rts = 1;
    return port;
}

TEST(CheckLines, TogglesDataWithTheClockHighThenInsideAStartAndLeavesTheBusIdle) {
    IdlePort().cts_model = [] { return static_cast<std::int16_t>(Port().dtr); };
    const LineCheck check = CheckLines(0ms);
    const std::string clock_high = Repeated("D0 w C D1 w C", 3);
    const std::string clock_low = Repeated("D1 w C D0 w C", 3);
    EXPECT_EQ(Port().Log(), clock_high.substr(1) + " " + kStart + clock_low + " " + kStop);
    EXPECT_EQ(Port().dtr, 1);
    EXPECT_EQ(Port().rts, 1);
    EXPECT_EQ(check.clock_high, CtsAnswer::follows);
    EXPECT_EQ(check.clock_low, CtsAnswer::follows);
    EXPECT_EQ(DiagnoseLines(check), CtsAnswer::follows);
}

TEST(CheckLines, NamesWhatIsWrongWithTheAdapter) {
    std::int16_t cached = 1;
    const struct {
        const char* adapter;
        std::function<std::int16_t()> cts;
        CtsAnswer clock_high;
        CtsAnswer clock_low;
        CtsAnswer verdict;
    } cases[] = {
        // The open refuses an adapter whose CTS stays high: here it went wrong since.
        {"CTS always on", [] { return std::int16_t{1}; }, CtsAnswer::stuck_high,
         CtsAnswer::stuck_high, CtsAnswer::erratic},
        {"SDA held low", [] { return std::int16_t{0}; }, CtsAnswer::stuck_low, CtsAnswer::stuck_low,
         CtsAnswer::stuck_low},
        {"only exactly 1 is high", [] { return static_cast<std::int16_t>(Port().dtr * 2); },
         CtsAnswer::stuck_low, CtsAnswer::stuck_low, CtsAnswer::stuck_low},
        {"CTS wired to SCL", [] { return static_cast<std::int16_t>(Port().rts); },
         CtsAnswer::stuck_high, CtsAnswer::stuck_low, CtsAnswer::follows_clock},
        {"SDA held low once the clock falls",
         [] { return static_cast<std::int16_t>(Port().rts == 1 ? Port().dtr : 0); },
         CtsAnswer::follows, CtsAnswer::stuck_low, CtsAnswer::stuck_low},
        {"CTS one reading behind",
         [&cached] { return std::exchange(cached, static_cast<std::int16_t>(Port().dtr)); },
         CtsAnswer::late, CtsAnswer::late, CtsAnswer::late},
        {"CTS inverted with the clock low",
         [] { return static_cast<std::int16_t>(Port().rts == 1 ? Port().dtr : 1 - Port().dtr); },
         CtsAnswer::follows, CtsAnswer::erratic, CtsAnswer::erratic},
    };
    for (const auto& c : cases) {
        IdlePort().cts_model = c.cts;
        const LineCheck check = CheckLines(0ms);
        EXPECT_EQ(check.clock_high, c.clock_high) << c.adapter;
        EXPECT_EQ(check.clock_low, c.clock_low) << c.adapter;
        EXPECT_EQ(DiagnoseLines(check), c.verdict) << c.adapter;
        EXPECT_EQ(Port().dtr, 1) << c.adapter;
        EXPECT_EQ(Port().rts, 1) << c.adapter;
    }
}

TEST(CheckLines, ReadsAWrongAnswerAgainOnceAndOnlyThen) {
    IdlePort().cts_model = [] { return std::int16_t{1}; };
    CheckLines(0ms);
    // CTS always on: each DTR low reads wrong and is read a second time.
    const std::string clock_high = Repeated("D0 w C C D1 w C", 3);
    const std::string clock_low = Repeated("D1 w C D0 w C C", 3);
    EXPECT_EQ(Port().Log(), clock_high.substr(1) + " " + kStart + clock_low + " " + kStop);
}

TEST(BusClear, PulsesUntilSdaReadsHighThenStartsAndStops) {
    const std::string first = "D1 R1 w C";
    const std::string pulse = "R0 R1 w C";
    const struct {
        std::vector<std::int16_t> cts;
        std::optional<int> pulses;
        std::string log;
    } cases[] = {
        {{1}, 0, first + " D0 D1"},
        {{0, 0, 0, 1}, 3, first + Repeated(pulse, 3) + " D0 D1"},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 9, first + Repeated(pulse, 9) + " D0 D1"},
        {{0}, std::nullopt, first + Repeated(pulse, 9)},
        {{0, 2}, std::nullopt, first + Repeated(pulse, 9)},
    };
    for (const auto& c : cases) {
        IdlePort().cts_answers = c.cts;
        EXPECT_EQ(BusClear(), c.pulses) << c.log;
        EXPECT_EQ(Port().Log(), c.log);
        EXPECT_EQ(Port().dtr, 1) << c.log;
        EXPECT_EQ(Port().rts, 1) << c.log;
    }
}

}  // namespace
