// The window's toolkit-free core, which both front ends show: layout in pixels at each DPI,
// the failure box's text, and the port closing once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window/core/form1_core.h"
#include "app/window/core/form1_layout.h"
#include "bus/i2c_bus.h"
#include "bus/port_lines.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"
#include "tests/support/environment.h"

namespace {

TEST(Form1Layout, TwipsAndPointsBecomePixelsAtEachDpi) {
    const struct {
        int dpi;
        int client_width, client_height;
        int label1_left, label1_width, label1_height;
        int label2_top, label2_width;
        int label1_font, label2_font;
    } cases[] = {
        {96, 155, 129, 8, 137, 81, 96, 135, 64, 13},
        {120, 194, 161, 10, 171, 101, 120, 169, 80, 16},
        // Halves round up: 232.5 x 193.5 pixels, a 19.5-pixel font.
        {144, 233, 194, 12, 206, 122, 144, 203, 96, 20},
        {192, 310, 258, 16, 274, 162, 192, 270, 128, 26},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TwipsToPixels(kForm1ClientWidth, c.dpi), c.client_width) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kForm1ClientHeight, c.dpi), c.client_height) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kLabel1Geometry.left, c.dpi), c.label1_left) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kLabel1Geometry.width, c.dpi), c.label1_width) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kLabel1Geometry.height, c.dpi), c.label1_height) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kLabel2Geometry.top, c.dpi), c.label2_top) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kLabel2Geometry.width, c.dpi), c.label2_width) << c.dpi;
        EXPECT_EQ(PointsToPixels(kLabel1Font.points, c.dpi), c.label1_font) << c.dpi;
        EXPECT_EQ(PointsToPixels(kLabel2Font.points, c.dpi), c.label2_font) << c.dpi;
    }
}

TEST(Form1Layout, ColoursAreBlueGreenRed) {
    const struct {
        std::uint32_t colour;
        int red, green, blue;
    } cases[] = {{kForm1BackColor, 255, 255, 128}, {kLabel1ForeColor, 128, 64, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RedOf(c.colour), c.red);
        EXPECT_EQ(GreenOf(c.colour), c.green);
        EXPECT_EQ(BlueOf(c.colour), c.blue);
    }
}

// The box names the port that was asked for, and the system's reason below a blank line.
TEST(Form1Core, FailureBoxNamesThePortAndTheReason) {
    const struct {
        const char* port;
        const char* headline;
        const char* reason_start;
    } cases[] = {
        {"COM1", "COM1 niet beschikbaar/aanwezig", "cannot "},
        {"COM7", "COM7 niet beschikbaar/aanwezig", "cannot "},
        {"sim:compass=north", "sim:compass=north niet beschikbaar/aanwezig", "simulated bus: "},
    };
    for (const auto& c : cases) {
        { const BusSession session(c.port); }
        const std::vector<std::string> shown = TakeMessages();
        ASSERT_EQ(shown, std::vector<std::string>{"COM1 niet beschikbaar/aanwezig"}) << c.port;
        const std::string text = PortFailureBoxText(shown[0]);
        const std::string first = std::string(c.headline) + "\n\n" + c.reason_start;
        EXPECT_EQ(text.rfind(first, 0), 0U) << text;
        EXPECT_EQ(text.find('\n', first.size()), std::string::npos) << text;
    }
}

TEST(Form1Core, ProblemLineShowsControlCharactersEscaped) {
    { const BusSession session("/nonexistent/\x1b[2Jtty\n"); }
    TakeMessages();
    testing::internal::CaptureStderr();
    LogPortProblem();
    const std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line.rfind("kolvaner: cannot open ", 0), 0U) << line;
    EXPECT_NE(line.find("/nonexistent/\\x1b[2Jtty\\n: "), std::string::npos) << line;
    EXPECT_EQ(line.find_first_of("\x1b\n"), line.size() - 1) << line;
}

TEST(Form1Core, TickShowsTheBearingAndUnloadClosesThePortOnce) {
    SetEnvironment("KOLVANER_PORT", "sim:compass=450");
    Form1State form;
    Form1Load(form);
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(Form1Timer1Tick(form), "045\u00B0");
    EXPECT_TRUE(Form1Unload(form));
    EXPECT_FALSE(PortIsOpen());
    // Opened again behind the window's back: a second unload leaves it alone.
    OpenBus();
    EXPECT_FALSE(Form1Unload(form));
    EXPECT_TRUE(PortIsOpen());
    CLOSECOM();
    ClearEnvironment("KOLVANER_PORT");
}

}  // namespace
