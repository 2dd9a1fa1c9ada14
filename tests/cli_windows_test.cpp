// SPDX-License-Identifier: MIT
// kolvaner-cli on Windows, run through cmd.exe under Wine, where COM999 leads nowhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/support/run_program.h"
#include "tests/support/temp_path.h"

namespace {

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
         "report=MS|off, broken=abandon|misread, slow=US, seed=N)\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.output, c.output) << c.arguments;
    }
}

// A PC's own port runs under serial.sys, whose service Windows names Serial.
TEST(KolvanerCliOnWindows, TheSimulatedOwnPortHasWindowsDriverName) {
    for (const char* adapter : {"native", "ideal"}) {
        const CliRun run = RunCli(std::string("check --port sim:adapter=") + adapter);
        EXPECT_EQ(run.status, 0) << adapter;
        EXPECT_EQ(run.output.rfind("adapter: Serial (a PC's own serial port): works\n", 0), 0U)
            << run.output;
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
