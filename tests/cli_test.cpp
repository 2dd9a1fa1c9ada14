// kolvaner-cli: its arguments, its output and its exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/cli/cli_args.h"
#include "tests/support/run_program.h"

namespace {

struct CliRun {
    int status = -1;
    std::string output;  // stdout, then stderr after a "--" line
};

CliRun RunCli(const std::string& arguments, const std::string& prefix = "") {
    const ProgramRun run = RunProgram(KOLVANER_CLI, arguments, prefix);
    return {run.status, run.out + "--\n" + run.err};
}

const char kLinesOk[] =
    "idle bus, SCL high: CTS follows DTR\nin a start, SCL low: CTS follows DTR\nlines ok\n--\n";

TEST(KolvanerCli, OutputAndExitStatus) {
    const struct {
        const char* arguments;
        int status;
        const char* output;
    } cases[] = {
        {"bearing --port sim:compass=450", 0, "45\n--\n"},
        {"bearing --port=sim:compass=0xFFFF", 0, "6554\n--\n"},
        {"bearing --port sim:compass=off --count 2 --interval 0", 0, "6554\n6554\n--\n"},
        {"bearing --port sim:compass=3595 --count=3 --interval=1", 0, "360\n360\n360\n--\n"},
        {"bearing --count x", 2, "--\nkolvaner-cli: bad --count 'x' (0-1000000000)\n"},
        {"bearing --count -1", 2, "--\nkolvaner-cli: bad --count '-1' (0-1000000000)\n"},
        {"bearing --interval 1e3", 2, "--\nkolvaner-cli: bad --interval '1e3' (0-86400000 ms)\n"},
        {"bearing --count", 2, "--\nkolvaner-cli: missing value for '--count'\n"},
        {"bearing --colour red", 2, "--\nkolvaner-cli: unknown option '--colour'\n"},
        {"compass", 2, "--\nkolvaner-cli: unknown command 'compass'\n"},
        {"bearing bearing", 2, "--\nkolvaner-cli: unexpected argument 'bearing'\n"},
        {"", 2, "--\nkolvaner-cli: no command given\n"},
        {"bearing --port sim:compass=big", 1,
         "--\nkolvaner-cli: simulated bus: bad value 'big' for compass (allowed: 0-65535 or "
         "0x0-0xFFFF, turning, off)\nkolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"temperature --port sim", 0, "26\n--\n"},
        {"temperature --port sim:thermo=0xE700 --count 2 --interval 0", 0, "-25\n-25\n--\n"},
        {"temperature --port sim:thermo=0xFF80", 0, "0\n--\n"},
        {"temperature --port sim:thermo=off", 0, "0\n--\n"},
        {"input --port sim", 0, "0xff\n--\n"},
        {"input --port sim:inport=0x5A", 0, "0x5a\n--\n"},
        {"input 0x20 --port sim:inport=7", 0, "0x07\n--\n"},
        {"input --port sim:inport=7 32", 0, "0x07\n--\n"},
        {"input 33 --port sim:inport=7", 0, "0xff\n--\n"},
        {"input 0X7f --port sim:inport=0", 0, "0xff\n--\n"},
        {"input 128", 2, "--\nkolvaner-cli: bad address '128' (0-127 or 0x00-0x7f)\n"},
        {"input 0x80", 2, "--\nkolvaner-cli: bad address '0x80' (0-127 or 0x00-0x7f)\n"},
        {"input -1", 2, "--\nkolvaner-cli: bad address '-1' (0-127 or 0x00-0x7f)\n"},
        {"input 0x", 2, "--\nkolvaner-cli: bad address '0x' (0-127 or 0x00-0x7f)\n"},
        {"input 1 2", 2, "--\nkolvaner-cli: unexpected argument '2'\n"},
        {"temperature 32", 2, "--\nkolvaner-cli: unexpected argument '32'\n"},
        {"scan --count x", 2, "--\nkolvaner-cli: bad --count 'x' (0-1000000000)\n"},
        {"temperature --port sim:thermo=65536", 1,
         "--\nkolvaner-cli: simulated bus: bad value '65536' for thermo (allowed: 0-65535 or "
         "0x0-0xFFFF, off)\nkolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"input --port sim:inport=256", 1,
         "--\nkolvaner-cli: simulated bus: bad value '256' for inport (allowed: 0-255 or "
         "0x0-0xFF, off)\nkolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"scan --port sim:inport", 1,
         "--\nkolvaner-cli: simulated bus: unknown option 'inport' (allowed: "
         "compass=N|turning|off, thermo=N|off, inport=N|off, sda=stuck-low, "
         "cts=stuck-high|late, hold=1-8)\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"check --port sim", 0, kLinesOk},
        {"check --port sim:sda=stuck-low", 1,
         "idle bus, SCL high: CTS stays low when DTR releases SDA\n"
         "in a start, SCL low: CTS stays low when DTR releases SDA\n"
         "SDA stuck low: a device may be holding the bus; try kolvaner-cli recover\n--\n"},
        {"check --port sim:hold=8", 1,
         "idle bus, SCL high: CTS stays low when DTR releases SDA\n"
         "in a start, SCL low: CTS stays low when DTR releases SDA\n"
         "SDA stuck low: a device may be holding the bus; try kolvaner-cli recover\n--\n"},
        {"check --port sim:cts=stuck-high", 1,
         "idle bus, SCL high: CTS stays high when DTR pulls SDA low\n"
         "in a start, SCL low: CTS stays high when DTR pulls SDA low\n"
         "CTS does not follow DTR: this adapter may not report CTS (CDC-ACM adapters report it "
         "always on)\n--\n"},
        {"check --port sim:cts=late", 1,
         "idle bus, SCL high: CTS follows DTR late\nin a start, SCL low: CTS follows DTR late\n"
         "CTS follows DTR late: this adapter reports CTS late, so reads come out wrong\n--\n"},
        {"recover --port sim", 0, "SDA free; sent a start and a stop\n--\n"},
        {"recover --port sim:hold=1", 0,
         "SDA free after 1 clock pulse; sent a start and a stop\n--\n"},
        {"recover --port sim:hold=8", 0,
         "SDA free after 8 clock pulses; sent a start and a stop\n--\n"},
        {"recover --port sim:sda=stuck-low", 1,
         "SDA still stuck low after 9 clock pulses: check the wiring and the pull-up, or power "
         "the devices off and on\n--\n"},
        {"recover --count 2", 2, "--\nkolvaner-cli: '--count' does not apply to recover\n"},
        {"check --interval=0", 2, "--\nkolvaner-cli: '--interval' does not apply to check\n"},
        {"check now", 2, "--\nkolvaner-cli: unexpected argument 'now'\n"},
        {"check --port sim:hold=9", 1,
         "--\nkolvaner-cli: simulated bus: bad value '9' for hold (allowed: 1-8 clocks)\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"check --port sim:hold=0", 1,
         "--\nkolvaner-cli: simulated bus: bad value '0' for hold (allowed: 1-8 clocks)\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"check --port sim:cts=low", 1,
         "--\nkolvaner-cli: simulated bus: bad value 'low' for cts (allowed: stuck-high, late)\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"recover --port sim:sda=stuck-high", 1,
         "--\nkolvaner-cli: simulated bus: bad value 'stuck-high' for sda (allowed: stuck-low)\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"recover --port sim:hold=2,compass=off", 1,
         "--\nkolvaner-cli: simulated bus: hold=2 needs the compass on the bus (allowed: hold=1-8 "
         "without compass=off)\nkolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"check --port /nonexistent/ttyUSB0", 1,
         "--\nkolvaner-cli: cannot open /nonexistent/ttyUSB0: No such file or directory\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
        {"bearing --port /nonexistent/ttyUSB0", 1,
         "--\nkolvaner-cli: cannot open /nonexistent/ttyUSB0: No such file or directory\n"
         "kolvaner-cli: COM1 niet beschikbaar/aanwezig\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        const std::string help_hint = c.status == 2 ? "Try 'kolvaner-cli --help'.\n" : "";
        EXPECT_EQ(run.output, c.output + help_hint) << c.arguments;
    }
}

TEST(KolvanerCli, HelpListsTheCommandsAndOptions) {
    const CliRun run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"bearing", "temperature", "input [ADDR]", "scan", "check", "recover",
                             "--count", "--interval", "--port", "--trace"}) {
        EXPECT_NE(run.output.find(word), std::string::npos) << word;
    }
}

TEST(KolvanerCli, ScanShowsTheAnsweringAddressesAsAGrid) {
    const std::string grid =
        "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
        "00:                         -- -- -- -- -- -- -- --\n"
        "10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
        "20: 20 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
        "30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
        "40: -- -- -- -- -- -- -- -- 48 -- -- -- -- -- -- --\n"
        "50: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
        "60: 60 -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
        "70: -- -- -- -- -- -- -- --\n";
    const CliRun run = RunCli("scan --port sim");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, grid + "--\n");
    std::string without_thermometer = grid;
    without_thermometer.replace(without_thermometer.find(" 48 "), 4, " -- ");
    const CliRun twice = RunCli("scan --port sim:thermo=off --count 2 --interval 0");
    EXPECT_EQ(twice.status, 0);
    EXPECT_EQ(twice.output, without_thermometer + without_thermometer + "--\n");
}

TEST(KolvanerCli, EnvironmentChoosesThePortAndOptionsOverrideIt) {
    EXPECT_EQ(RunCli("bearing", "KOLVANER_PORT=sim:compass=70").output, "7\n--\n");
    EXPECT_EQ(RunCli("bearing --port sim:compass=80", "KOLVANER_PORT=sim:compass=70").output,
              "8\n--\n");
}

TEST(KolvanerCli, WritesTheTraceItIsAskedFor) {
    const std::string path = testing::TempDir() + "cli.vcd";
    std::remove(path.c_str());
    EXPECT_EQ(RunCli("bearing --port sim --trace " + path).status, 0);
    std::ifstream trace(path);
    std::string first_line;
    std::getline(trace, first_line);
    EXPECT_EQ(first_line.rfind("$version", 0), 0U) << first_line;
}

TEST(KolvanerCli, CtrlCEndsAnEndlessRunCleanly) {
    const CliRun run =
        RunCli("bearing --port sim --count 0 --interval 50", "timeout --preserve-status -s INT 1");
    EXPECT_EQ(run.status, 0);
    EXPECT_GE(std::count(run.output.begin(), run.output.end(), '\n'), 5);
}

TEST(CliArgs, DefaultsAndOverrides) {
    CliCommand command;
    ASSERT_EQ(ParseCliArgs({"bearing"}, command), "");
    EXPECT_EQ(command.action, CliCommand::Action::bearing);
    EXPECT_EQ(command.count, 1);
    EXPECT_EQ(command.interval_ms, 500);
    EXPECT_FALSE(command.port.has_value());
    ASSERT_EQ(
        ParseCliArgs({"--count", "0", "bearing", "--trace", "t.vcd", "--port", "sim"}, command),
        "");
    EXPECT_EQ(command.count, 0);
    EXPECT_EQ(command.trace, "t.vcd");
    EXPECT_EQ(command.port, "sim");
    ASSERT_EQ(ParseCliArgs({"input"}, command), "");
    EXPECT_EQ(command.action, CliCommand::Action::input);
    EXPECT_EQ(command.address, 0x20);
    ASSERT_EQ(ParseCliArgs({"input", "0x7F"}, command), "");
    EXPECT_EQ(command.address, 127);
    ASSERT_EQ(ParseCliArgs({"input", "0"}, command), "");
    EXPECT_EQ(command.address, 0);
}

}  // namespace
