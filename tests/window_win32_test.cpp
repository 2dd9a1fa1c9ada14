// Form1 on the Win32 API in this process, hidden: Testen and meting are operations of the
// window and touch only the bus. Needs a display (window_x11_test runs it).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/process/environment.h"
#include "app/window/win32/form1.h"
#include "tests/support/vcd_i2c.h"

namespace {

// Testen: ten thermometer reads of six transactions each and the empty variant; meting: one
// thermometer read, then the input port at 0x41; neither touches the labels.
TEST(Win32Form1, TestenAndMetingReadTheirDevicesAndNothingElse) {
    const std::string trace = testing::TempDir() + "kolvaner-win32-form1.vcd";
    SetEnvironment("KOLVANER_PORT", "sim:compass=450,thermo=0x1980,inport=0x5A");
    SetEnvironment("KOLVANER_TRACE", trace);
    std::size_t after_testen = 0;
    {
        Form1 form(GetModuleHandleW(nullptr));
        ASSERT_NE(form.Handle(), nullptr);
        form.Start(SW_HIDE);
        EXPECT_EQ(form.Testen().vt, VT_EMPTY);
        after_testen = ReadVcd(trace).transactions.size();
        form.meting();
        EXPECT_EQ(form.Label1.caption, L"");
        EXPECT_EQ(form.Label2.caption, L"Demo 26 feb KV");
    }
    const std::vector<std::string> traffic = ReadVcd(trace).transactions;
    std::remove(trace.c_str());
    EXPECT_EQ(after_testen, 60U);
    ASSERT_EQ(traffic.size(), 67U);
    EXPECT_EQ(traffic[60], "S 90A ACA P");
    EXPECT_EQ(traffic[66], "S 41A 5AN P");
}

}  // namespace
