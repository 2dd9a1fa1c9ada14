// SPDX-License-Identifier: MIT
// The window's toolkit-free core, which both front ends show: layout in pixels at each DPI,
// the bearing's text, the failure box's text, the diagnostics' traffic and the command line.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/window/core/bearing_text.h"
#include "app/window/core/form1_core.h"
#include "app/window/core/form1_layout.h"
#include "app/window/core/port_choice.h"
#include "app/window/core/window_arguments.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"
#include "tests/support/expected_traffic.h"

namespace {

TEST(Form1Layout, TwipsAndPointsBecomePixelsAtEachDpi) {
    const struct {
        int dpi, client_width, client_height, label1_font, label2_font;
    } cases[] = {
        {96, 155, 129, 64, 13},
        {120, 194, 161, 80, 16},
        // Halves round up: 232.5 x 193.5 pixels, a 19.5-pixel font.
        {144, 233, 194, 96, 20},
        {192, 310, 258, 128, 26},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TwipsToPixels(kForm1ClientWidth, c.dpi), c.client_width) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kForm1ClientHeight, c.dpi), c.client_height) << c.dpi;
        EXPECT_EQ(PointsToPixels(kLabel1Font.points, c.dpi), c.label1_font) << c.dpi;
        EXPECT_EQ(PointsToPixels(kLabel2Font.points, c.dpi), c.label2_font) << c.dpi;
    }
}

// The box names the port as the user named it, and the system's reason below a blank
// line; after another blank line, this PC's ports and how to choose another. A port that
// opened and was then refused is one this PC has.
TEST(Form1Core, FailureBoxNamesThePortTheReasonAndThePorts) {
    const struct {
        const char* port;
        const char* named;
        const char* reason_start;
        const char* reason_names;
        bool opened;
    } cases[] = {
        // "cannot open COM7: ..." or, on Wine, whose COM7 opens something, "cannot use COM7:
        // not a serial port (...)": never \\.\COM7.
        {"COM1", "COM1", "cannot ", " COM1: ", false},
        {"COM7", "COM7", "cannot ", " COM7: ", false},
        {" COM7: ", "COM7", "cannot ", " COM7: ", false},
        {"sim:compass=north", "sim:compass=north", "bad --port 'sim:compass=north': ", "compass",
         false},
        {"sim:adapter=cdc-acm", "sim:adapter=cdc-acm",
         "cannot use sim:adapter=cdc-acm: ", "this adapter does not report CTS", true},
    };
    for (const auto& c : cases) {
        { const BusSession session(c.port); }
        const std::vector<std::string> shown = TakeMessages();
        ASSERT_EQ(shown, std::vector<std::string>{"COM1 niet beschikbaar/aanwezig"}) << c.port;
        EXPECT_EQ(PortRefusedAfterOpen(), c.opened) << c.port;
        const std::string text = PortFailureBoxText(shown[0]);
        const std::string first =
            std::string(c.named) + " niet beschikbaar/aanwezig\n\n" + c.reason_start;
        EXPECT_EQ(text.rfind(first, 0), 0U) << text;
        const std::size_t reason_end = text.find('\n', first.size());
        const std::string reason = text.substr(first.size(), reason_end - first.size());
        EXPECT_NE(reason.find(c.reason_names), std::string::npos) << reason;
        EXPECT_EQ(reason.find("\\\\.\\"), std::string::npos) << reason;
        EXPECT_EQ(text.substr(reason_end),
                  "\n\n" + PortChoiceText(ListSerialPorts(), c.named, c.opened))
            << text;
    }
}

#ifdef _WIN32
constexpr char kExample[] = "COM3";
constexpr char kOtherExample[] = "COM4";
constexpr char kWhere[] = " (zet dat in een snelkoppeling achter het Doel)";
#else
constexpr char kExample[] = "/dev/ttyUSB0";
constexpr char kOtherExample[] = "/dev/ttyUSB1";
constexpr char kWhere[] = "";
#endif

std::string Choose(const std::string& port) {
    return "Een andere poort kiezen: start Kolvaner met --port " + port + kWhere +
           ".\nZonder hardware proberen: start Kolvaner met --port sim.";
}

// The example is never the port that failed: the first other port listed, else a port
// this PC may get, such as a USB adapter's.
TEST(Form1Core, PortsBelowTheReasonAndAnotherPortAsTheExample) {
    const std::vector<SerialPortInfo> two = {{"COM3", "USB Serial Port (COM3)", "FTSER2K"},
                                             {"COM10", "Port de communication (COM10)", "Serial"}};
    const std::string two_listed =
        "Seriële poorten op deze pc:\nCOM3 USB Serial Port\nCOM10 Port de communication\n";
    const struct {
        std::vector<SerialPortInfo> ports;
        std::string failed;
        bool opened;
        std::string text;
    } cases[] = {
        {{}, "COM1", false, "Deze pc heeft geen seriële poort.\n" + Choose(kExample)},
        {{}, kExample, false, "Deze pc heeft geen seriële poort.\n" + Choose(kOtherExample)},
        {{}, "", false, "Deze pc heeft geen seriële poort.\n" + Choose(kExample)},
        // It opened, so it is there: only no other was found.
        {{},
         "sim:adapter=cdc-acm",
         true,
         "Geen andere seriële poort gevonden.\n" + Choose(kExample)},
        {{}, kExample, true, "Geen andere seriële poort gevonden.\n" + Choose(kOtherExample)},
        // SetupAPI's friendly name says the port's name once more; here it is said once.
        {two, "COM7", false, two_listed + Choose("COM3")},
        {two, "COM3", true, two_listed + Choose("COM10")},
#ifdef _WIN32
        // Windows names a port in any case, and as a device path.
        {two, "com3", false, two_listed + Choose("COM10")},
        {two, "\\\\.\\COM3", false, two_listed + Choose("COM10")},
#endif
        // Another port's name stays: only the port's own is said twice.
        {{{"COM4", "Prolific USB-to-Serial Comm Port (COM3)", "Ser2pl64"},
          {"/dev/ttyS40", "", "serial8250"}},
         "COM4",
         false,
         "Seriële poorten op deze pc:\nCOM4 Prolific USB-to-Serial Comm Port (COM3)\n"
         "/dev/ttyS40\n" +
             Choose("/dev/ttyS40")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortChoiceText(c.ports, c.failed, c.opened), c.text) << c.failed;
    }
}

// A window that could not be created never loaded: its unload leaves the port alone.
TEST(Form1Core, UnloadWithoutALoadLeavesThePortOpen) {
    const BusSession session("sim");
    Form1State form;
    EXPECT_FALSE(Form1Unload(form));
    EXPECT_TRUE(PortIsOpen());
}

// Whatever the port's name holds, the line stays one line of plain text on a terminal.
TEST(Form1Core, ProblemLineShowsControlsAndBytesThatAreNotUtf8Escaped) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {
        {"\x1b[2Jtty\n", "\\x1b[2Jtty\\n"},
        {"\t\x7f", "\\t\\x7f"},
        // C1 controls: CSI and NEL.
        {"\xc2\x9b"
         "2J\xc2\x85",
         "\\u009b2J\\u0085"},
        // Right-to-left override, embedding, pop; the isolates and a mark.
        {"\xe2\x80\xae\xe2\x80\xab\xe2\x80\xac", "\\u202e\\u202b\\u202c"},
        {"\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8f", "\\u2066\\u2069\\u200f"},
        // A stray byte, an overlong '/', a surrogate, a sequence cut short, past U+10FFFF.
        {"\xff\xc0\xaf", "\\xff\\xc0\\xaf"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"\xe2\x82", "\\xe2\\x82"},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
        // Printable text passes: accents, the degree sign, a character past the BMP.
        {"\xc3\xa9\xc2\xb0\xf0\x9f\xa7\xad", "\xc3\xa9\xc2\xb0\xf0\x9f\xa7\xad"},
    };
    for (const auto& c : cases) {
        { const BusSession session(std::string("/nonexistent/") + c.name); }
        TakeMessages();
        testing::internal::CaptureStderr();
        LogPortProblem();
        const std::string line = testing::internal::GetCapturedStderr();
        // The system's reason after the name differs between platforms.
        EXPECT_EQ(line.rfind("kolvaner: cannot open ", 0), 0U) << line;
        EXPECT_NE(line.find(std::string("/nonexistent/") + c.shown + ": "), std::string::npos)
            << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    }
}

TEST(BearingText, AtLeastThreeDigitsThenTheDegreeSign) {
    constexpr std::int32_t kMost = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kLeast = std::numeric_limits<std::int32_t>::min();
    const struct {
        std::int32_t bearing;
        const char* digits;
    } cases[] = {
        {0, "000"},
        {5, "005"},
        {7, "007"},
        {45, "045"},
        {99, "099"},
        {360, "360"},
        {999, "999"},
        {1000, "1000"},
        {1234, "1234"},
        {6554, "6554"},
        {-5, "-005"},
        {-1234, "-1234"},
        {kMost, "2147483647"},
        {kLeast, "-2147483648"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BearingText(c.bearing), c.digits + std::string("\u00B0")) << c.bearing;
    }
}

// Testen: ten temperature reads; meting: one, then the input port at 0x20.
TEST(Form1Core, DiagnosticsAreTheirDeviceReadsInOrder) {
    std::vector<std::string> ten_reads;
    for (int read = 0; read < 10; ++read) {
        ten_reads.insert(ten_reads.end(), kTemperatureRead.begin(), kTemperatureRead.end());
    }
    std::vector<std::string> meting = kTemperatureRead;
    meting.emplace_back("S 41A 5AN P");
    EXPECT_EQ(TrafficWhile("sim", Form1Testen), ten_reads);
    EXPECT_EQ(TrafficWhile("sim:inport=0x5A", Form1Meting), meting);
}

TEST(WindowArguments, PortHelpAndVersion) {
    const std::string usage = kWindowUsage;
    const std::string version = kWindowVersion;
    const std::string missing = "na --port ontbreekt de naam van de poort";
    const std::string empty = "na --port staat een lege poortnaam";
#ifdef _WIN32
    const std::string& slash_question = usage;
#else
    const std::string slash_question;  // a file's name, ignored as any
#endif
    const struct {
        std::vector<std::string_view> arguments;
        std::string answer;
        int exit_status;
        std::string problem;
        std::optional<std::string> port;
    } cases[] = {
        {{}, "", 0, "", std::nullopt},
        // A shortcut's stray argument, a dropped file, Qt's options: ignored.
        {{"notes.txt", "-platform", "offscreen", "--unknown"}, "", 0, "", std::nullopt},
        {{"--port", "COM4"}, "", 0, "", "COM4"},
        {{"notes.txt", "--port=/dev/ttyUSB0"}, "", 0, "", "/dev/ttyUSB0"},
        {{"--port", "COM3", "--port", "sim:compass=450"}, "", 0, "", "sim:compass=450"},
        {{"--port", "COM4", "--help"}, usage, 0, "", std::nullopt},
        {{"--version", "--help"}, version, 0, "", std::nullopt},
        {{"/?"}, slash_question, 0, "", std::nullopt},
        {{"--port"}, "kolvaner: " + missing + " (kolvaner --help)\n", 2, missing, std::nullopt},
        {{"--port="}, "kolvaner: " + empty + " (kolvaner --help)\n", 2, empty, std::nullopt},
        {{"--port", ""}, "kolvaner: " + empty + " (kolvaner --help)\n", 2, empty, std::nullopt},
    };
    for (const auto& c : cases) {
        const WindowArguments read = ReadWindowArguments(c.arguments);
        const std::string shown = c.arguments.empty() ? "" : std::string(c.arguments[0]);
        EXPECT_EQ(read.answer, c.answer) << shown;
        EXPECT_EQ(read.exit_status, c.exit_status) << shown;
        EXPECT_EQ(read.problem, c.problem) << shown;
        EXPECT_EQ(read.port, c.port) << shown;
    }
}

// What the platform lacks is not offered: Qt's options and the device files on Windows.
TEST(WindowArguments, UsageNamesOnlyThisPlatformsPorts) {
    const std::string usage = kWindowUsage;
#ifdef _WIN32
    for (const char* absent : {"/dev/", "-platform", "Qt"}) {
#else
    for (const char* absent : {"/?", "debug"}) {
#endif
        EXPECT_EQ(usage.find(absent), std::string::npos) << absent;
    }
}

// Without a command line to print to, the answer is a box: the usage error says what is
// wrong in the shortcut's Target and gives one that works, for this very program.
TEST(WindowArguments, AnswerBoxForSomeoneWithAShortcut) {
    const WindowArguments missing = ReadWindowArguments({"--port"});
    const struct {
        WindowArguments read;
        const char* path;
        std::string start;
        std::string target;
    } cases[] = {
        {ReadWindowArguments({"--help"}), "C:\\k\\kolvaner.exe", kWindowHelpBox, ""},
        {ReadWindowArguments({"--version"}), "C:\\k\\kolvaner.exe", kWindowVersion, ""},
        {missing, "C:\\k\\kolvaner.exe",
         "Kolvaner is gestart met een fout in het Doel van de snelkoppeling: na --port "
         "ontbreekt de naam van de poort.\n\n",
         "\nC:\\k\\kolvaner.exe --port COM5\n"},
        // Windows shows a Target with a space in quotes.
        {missing, "C:\\Users\\Jan de Vries\\kolvaner.exe", "Kolvaner is gestart met een fout",
         "\n\"C:\\Users\\Jan de Vries\\kolvaner.exe\" --port COM5\n"},
    };
    for (const auto& c : cases) {
        const std::string box = AnswerBoxText(c.read, c.path, "COM5");
        EXPECT_EQ(box.rfind(c.start, 0), 0U) << box;
        EXPECT_NE(box.find(c.target), std::string::npos) << box;
    }
}

}  // namespace
