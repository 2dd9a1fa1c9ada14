// Form1 on the Win32 API in this process, hidden: Testen and meting are operations of the
// window and touch only the bus. Needs a display (window_x11_test runs it).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/window/win32/form1.h"
#include "bus/port_lines.h"
#include "tests/support/environment.h"
#include "tests/support/vcd_i2c.h"

namespace {

// 25.5 degrees: 0x19 then 0x80, each by its own read transaction.
const std::vector<std::string> kTemperatureRead = {
    "S 90A ACA P", "S 90A 22A P", "S 90A EEA P", "S 90A AAA P", "S 91A 19N P", "S 91A 80N P",
};

class Win32Form1 : public testing::Test {
  protected:
    void SetUp() override {
        SetEnvironment("KOLVANER_PORT", "sim:compass=450,thermo=0x1980,inport=0x5A");
        SetEnvironment("KOLVANER_TRACE", trace_);
    }
    void TearDown() override {
        CLOSECOM();
        ClearEnvironment("KOLVANER_PORT");
        ClearEnvironment("KOLVANER_TRACE");
        std::remove(trace_.c_str());
    }

    // The transactions the operation put on the bus.
    template <typename Operation>
    std::vector<std::string> TrafficOf(Operation operation) {
        const std::size_t before = ReadVcd(trace_).transactions.size();
        operation();
        const std::vector<std::string> all = ReadVcd(trace_).transactions;
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }

    const std::string trace_ = testing::TempDir() + "kolvaner-win32-form1.vcd";
};

TEST_F(Win32Form1, TestenReadsTheThermometerTenTimesAndReturnsTheEmptyVariant) {
    Form1 form(GetModuleHandleW(nullptr));
    ASSERT_NE(form.Handle(), nullptr);
    form.Start(SW_HIDE);
    VARIANT result{};
    result.vt = VT_I4;
    const std::vector<std::string> traffic = TrafficOf([&] { result = form.Testen(); });
    EXPECT_EQ(result.vt, VT_EMPTY);
    ASSERT_EQ(traffic.size(), 60U);
    for (std::size_t read = 0; read < 10; ++read) {
        const std::vector<std::string> one(
            traffic.begin() + static_cast<std::ptrdiff_t>(6 * read),
            traffic.begin() + static_cast<std::ptrdiff_t>(6 * read + 6));
        EXPECT_EQ(one, kTemperatureRead) << "read " << read;
    }
}

TEST_F(Win32Form1, MetingReadsTheThermometerThenTheInputPortAndLeavesTheLabels) {
    Form1 form(GetModuleHandleW(nullptr));
    ASSERT_NE(form.Handle(), nullptr);
    form.Start(SW_HIDE);
    std::vector<std::string> expected = kTemperatureRead;
    expected.push_back("S 41A 5AN P");
    EXPECT_EQ(TrafficOf([&] { form.meting(); }), expected);
    EXPECT_EQ(form.Label1.caption, L"");
    EXPECT_EQ(form.Label2.caption, L"Demo 26 feb KV");
}

}  // namespace
