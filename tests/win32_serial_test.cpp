// The Win32 serial backend where no serial port answers, and kolvaner-cli on Windows. They
// run under Wine, in a prefix whose COM1-COM255 lead nowhere: Wine gives such a port a
// device that opens but is no serial port. COM999 does not exist there, nor on a real PC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/process/environment.h"
#include "bus/port_lines.h"
#include "port/port_status.h"
#include "tests/support/bus_session.h"

namespace {

constexpr char kSettings[] = "COM1:9600,N,8,1";

// OPENCOM on the port KOLVANER_PORT names; why it did not open.
std::string OpenComError(const std::string& port, std::int16_t& result) {
    SetEnvironment("KOLVANER_PORT", port);
    ClearEnvironment("KOLVANER_TRACE");
    result = OPENCOM(kSettings);
    ClearEnvironment("KOLVANER_PORT");
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

struct CliRun {
    int status = -1;
    std::string output;  // stdout, then stderr after a "--" line
};

// Runs kolvaner-cli from the build directory (the working directory) through cmd.exe.
CliRun RunCli(const std::string& arguments) {
    // One file a test program: ctest runs the tests side by side.
    const std::string err = TempPath("cli-stderr");
    const std::string command = "kolvaner-cli.exe " + arguments + " 2>\"" + err + "\"";
    CliRun run;
    std::FILE* pipe = _popen(command.c_str(), "r");
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.output += buffer;
    }
    run.status = _pclose(pipe);
    std::ifstream err_file(err);
    run.output += "--\n";
    run.output += std::string(std::istreambuf_iterator<char>(err_file), {});
    return run;
}

TEST(KolvanerCliOnWindows, OutputAndExitStatus) {
    const struct {
        const char* arguments;
        int status;
        const char* output;
    } cases[] = {
        {"bearing --port sim:compass=450", 0, "45\n--\n"},
        {"bearing --port sim:compass=3595 --count 2 --interval 1", 0, "360\n360\n--\n"},
        {"bearing --port sim:compass=off", 1,
         "--\nkolvaner-cli: no answer from the compass at 0x60\n"},
        {"get 0x60 2 --bytes 2 --port sim:compass=450", 0, "0x01 0xc2\n--\n"},
        {"bearing --count x", 2, "--\nkolvaner-cli: bad --count 'x' (0-1000000000)\n"},
        {"bearing --port sim:compass=1,", 2,
         "--\nkolvaner-cli: bad --port 'sim:compass=1,': empty option in 'compass=1,' (allowed: "
         "compass=N|turning|sweep|off, thermo=N|off, inport=N|off, sda=stuck-low, "
         "cts=stuck-high|late, hold=1-8, adapter=ideal|native|ftdi|cp210x|pl2303|ch341|cdc-acm, "
         "report=MS|off)\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.output, c.output) << c.arguments;
    }
}

TEST(KolvanerCliOnWindows, AMissingPortFailsWithOneLineNamingItAndTheReason) {
    const CliRun run = RunCli("bearing --port COM999");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output.rfind("--\nkolvaner-cli: cannot open COM999: ", 0), 0U) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
}

TEST(KolvanerCliOnWindows, WritesTheTraceItIsAskedFor) {
    const std::string path = TempPath("cli.vcd");
    std::remove(path.c_str());
    EXPECT_EQ(RunCli("bearing --port sim --trace \"" + path + "\"").status, 0);
    std::ifstream trace(path);
    std::string first_line;
    std::getline(trace, first_line);
    EXPECT_EQ(first_line.rfind("$version", 0), 0U) << first_line;
}

}  // namespace
