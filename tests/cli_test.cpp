// SPDX-License-Identifier: MIT
// kolvaner-cli: its arguments, its output and its exit status.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/cli/cli_args.h"
#include "tests/support/line_tokens.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

// check's output without the adapter's part (its first five lines), which the adapter
// table below checks on its own.
std::string LineCheckPart(const std::string& output) {
    if (output.rfind("adapter: ", 0) != 0) {
        return output;
    }
    std::size_t from = 0;
    for (int line = 0; line < 5; ++line) {
        from = output.find('\n', from) + 1;
    }
    return output.substr(from);
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
        {"bearing --port sim:compass=3595 --count=3 --interval=1", 0, "360\n360\n360\n--\n"},
        {"temperature --port sim", 0, "26\n--\n"},
        {"temperature --port sim:thermo=0xE700 --count 2 --interval 0", 0, "-25\n-25\n--\n"},
        {"temperature --port sim:thermo=0xFF80", 0, "0\n--\n"},
        {"input --port sim", 0, "0xff\n--\n"},
        {"input --port sim:inport=0x5A", 0, "0x5a\n--\n"},
        {"input 0x20 --port sim:inport=7", 0, "0x07\n--\n"},
        {"input --port sim:inport=7 32", 0, "0x07\n--\n"},
        // --port is cleaned as KOLVANER_PORT is: a trailing colon and spaces go.
        {"bearing --port ' sim:compass=450: '", 0, "45\n--\n"},
        // CTS 2 ms late on a port whose driver says it is a PC's own: read right.
        {"bearing --port sim:compass=450,report=2", 0, "45\n--\n"},
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
         "--\nkolvaner-cli: cannot use sim:cts=stuck-high: CTS stays high when DTR pulls SDA "
         "low: this adapter does not report CTS, so "
         "the bus cannot be read back; adapters with an FTDI, CP210x, PL2303 or CH340 chip do\n"},
        {"check --port sim:cts=late", 1,
         "idle bus, SCL high: CTS follows DTR late\nin a start, SCL low: CTS follows DTR late\n"
         "CTS follows DTR late: this adapter reports CTS late, so reads come out wrong\n--\n"},
        {"recover --port sim", 0, "SDA free; sent a start and a stop\n--\n"},
        {"recover --port sim:hold=1", 0,
         "SDA free after at most 1 clock pulse; sent a start and a stop\n--\n"},
        {"recover --port sim:hold=8", 0,
         "SDA free after at most 8 clock pulses; sent a start and a stop\n--\n"},
        {"recover --port sim:sda=stuck-low", 1,
         "SDA still stuck low after 9 clock pulses: check the wiring and the pull-up, or power "
         "the devices off and on\n--\n"},
        {"bearing --port /nonexistent/ttyUSB0", 1,
         "--\nkolvaner-cli: cannot open /nonexistent/ttyUSB0: No such file or directory\n"},
        {"check --port /nonexistent/ttyUSB0", 1,
         "--\nkolvaner-cli: cannot open /nonexistent/ttyUSB0: No such file or directory\n"},
        {"bearing --port '/nonexistent/tty\x1b[2J\n'", 1,
         "--\nkolvaner-cli: cannot open /nonexistent/tty\\x1b[2J\\n: No such file or directory\n"},
        // An 8-bit CSI, a right-to-left override and a byte that is not UTF-8; é stays.
        {"bearing --port '/nonexistent/\xc2\x9b"
         "2J\xe2\x80\xae\xff\xc3\xa9'",
         1,
         "--\nkolvaner-cli: cannot open /nonexistent/\\u009b2J\\u202e\\xff\xc3\xa9: No such file "
         "or directory\n"},
        {"bearing --port sim --trace /dev/full", 1,
         "--\nkolvaner-cli: cannot write bus trace /dev/full: No space left on device\n"},
        // A dead bus gives no value, only the reason; every read of a run is tried and told.
        {"bearing --port sim:compass=off --count 2 --interval 0", 1,
         "--\nkolvaner-cli: no answer from the compass at 0x60\n"
         "kolvaner-cli: no answer from the compass at 0x60\n"},
        {"temperature --port sim:thermo=off", 1,
         "--\nkolvaner-cli: no answer from the thermometer at 0x48\n"},
        {"input 33 --port sim:inport=7", 1,
         "--\nkolvaner-cli: no answer from the input port at 0x21\n"},
        {"scan --port sim:sda=stuck-low", 1,
         "--\nkolvaner-cli: SDA is held low with the bus idle; try kolvaner-cli recover\n"},
        {"scan --port sim:cts=late", 1,
         "--\nkolvaner-cli: cannot scan: CTS follows DTR late: this adapter reports CTS late, so "
         "reads come out wrong\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(LineCheckPart(run.output), c.output) << c.arguments;
    }
}

// Through each simulated adapter the compass reads right, and check names the adapter and
// the clock it allows; an adapter that cannot report CTS is refused when the port opens.
TEST(KolvanerCli, EachAdapterReadsRightOrIsRefused) {
    const struct {
        const char* port;
        const char* adapter_line;
        const char* clock_line;
    } cases[] = {
        {"sim:adapter=ideal", "adapter: serial8250 (a PC's own serial port): works",
         "clock 55.0 kHz at most"},
        {"sim:adapter=native", "adapter: serial8250 (a PC's own serial port): works",
         "clock 55.0 kHz at most"},
        {"sim:adapter=ftdi",
         "adapter: ftdi_sio (USB, CTS read from the chip each time): works, slowly",
         "clock 0.5 kHz at most, as fast as the adapter's calls go"},
        {"sim:adapter=cp210x",
         "adapter: cp210x (USB, CTS read from the chip each time): works, slowly",
         "clock 0.5 kHz at most, as fast as the adapter's calls go"},
        {"sim:adapter=pl2303",
         "adapter: pl2303 (USB, CTS as the chip last reported it): works, slowly",
         "clock 0.5 kHz at most, as fast as the adapter's calls go"},
        {"sim:adapter=ch341,report=8",
         "adapter: ch341-uart (USB, CTS as the chip last reported it): works, slowly",
         "clock 0.5 kHz at most, as fast as the adapter's calls go"},
        {"sim:adapter=cdc-acm", nullptr, nullptr},
        {"sim:adapter=ch341,report=off", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const std::string port = std::string(c.port) + ",compass=3585";
        const CliRun bearing = RunCli("bearing --count 2 --interval 0 --port " + port);
        const CliRun check = RunCli("check --port " + port);
        if (c.adapter_line == nullptr) {
            EXPECT_EQ(bearing.status, 1) << c.port;
            EXPECT_NE(bearing.output.find("this adapter does not report CTS"), std::string::npos)
                << bearing.output;
            EXPECT_EQ(check.status, 1) << c.port;
            continue;
        }
        EXPECT_EQ(bearing.output, "358\n358\n--\n") << c.port;
        EXPECT_EQ(check.status, 0) << c.port << check.output;
        EXPECT_EQ(check.output.substr(0, check.output.find('\n')), c.adapter_line) << c.port;
        EXPECT_NE(check.output.find(std::string("\n") + c.clock_line + "\n"), std::string::npos)
            << check.output;
        EXPECT_EQ(LineCheckPart(check.output), kLinesOk) << c.port;
    }
    const CliRun slowed = RunCli("check --clock 10 --port sim");
    EXPECT_NE(slowed.output.find("\nclock 10.0 kHz at most\n"), std::string::npos) << slowed.output;
}

TEST(KolvanerCli, UsageErrorsAreOneLineAndExitTwo) {
    const struct {
        const char* arguments;
        const char* environment;
        const char* message;
    } cases[] = {
        {"bearing --count x", "", "bad --count 'x' (0-1000000000)"},
        {"bearing --count -1", "", "bad --count '-1' (0-1000000000)"},
        {"bearing --count -0", "", "bad --count '-0' (0-1000000000)"},
        {"bearing --interval 1e3", "", "bad --interval '1e3' (0-86400000 ms)"},
        {"bearing --count", "", "missing value for '--count'"},
        {"bearing --colour red", "", "unknown option '--colour'"},
        {"compass", "", "unknown command 'compass'"},
        {"bearing bearing", "", "unexpected argument 'bearing'"},
        {"", "", "no command given (kolvaner-cli --help lists them)"},
        {"input 128", "", "bad address '128' (0-127 or 0x00-0x7f)"},
        {"input 0x80", "", "bad address '0x80' (0-127 or 0x00-0x7f)"},
        {"input -1", "", "bad address '-1' (0-127 or 0x00-0x7f)"},
        {"input -0", "", "bad address '-0' (0-127 or 0x00-0x7f)"},
        {"input 0x-0", "", "bad address '0x-0' (0-127 or 0x00-0x7f)"},
        {"input 0x", "", "bad address '0x' (0-127 or 0x00-0x7f)"},
        {"input 1 2", "", "unexpected argument '2'"},
        {"temperature 32", "", "unexpected argument '32'"},
        {"recover --count 2", "", "'--count' does not apply to recover"},
        {"check --interval=0", "", "'--interval' does not apply to check"},
        {"check now", "", "unexpected argument 'now'"},
        {"get", "", "missing address for get"},
        {"set 0x20", "", "missing byte for set"},
        {"dump -0", "", "bad address '-0' (0-127 or 0x00-0x7f)"},
        {"dump '\xff'", "", "bad address '\\xff' (0-127 or 0x00-0x7f)"},
        {"get 0x60 256", "", "bad register '256' (0-255 or 0x00-0xff)"},
        {"set 0x20 0x0f 0x100", "", "bad byte '0x100' (0-255 or 0x00-0xff)"},
        {"get 0x60 2 3", "", "unexpected argument '3'"},
        {"get 0x60 --bytes 0", "", "bad --bytes '0' (1-32)"},
        {"set 0x20 1 --bytes 1", "", "'--bytes' does not apply to set"},
        {"check --port sim:hold=9", "",
         "bad --port 'sim:hold=9': bad value '9' for hold (allowed: 1-8 clocks)"},
        {"recover --port sim:hold=2,compass=off", "",
         "bad --port 'sim:hold=2,compass=off': hold=2 needs the compass on the bus (allowed: "
         "hold=1-8 without compass=off)"},
        {"bearing", "KOLVANER_PORT=sim:cts=late,cts=stuck-high",
         "bad KOLVANER_PORT 'sim:cts=late,cts=stuck-high': cts given twice"},
        {"scan", "KOLVANER_PORT=sim:,inport=0", "bad KOLVANER_PORT 'sim:,inport=0': empty option"},
        {"bearing --clock 0", "", "bad --clock '0' (1-100 kHz)"},
        {"bearing --clock=101", "", "bad --clock '101' (1-100 kHz)"},
        {"check", "KOLVANER_CLOCK=fast", "bad KOLVANER_CLOCK 'fast' (1-100 kHz)"},
        {"bearing --port sim:adapter=usb", "",
         "bad --port 'sim:adapter=usb': bad value 'usb' for adapter"},
        {"bearing --port sim:adapter=cdc-acm,report=5", "",
         "bad --port 'sim:adapter=cdc-acm,report=5': report= needs an adapter that reports"},
        {"bearing --port sim:adapter=ftdi,report=off", "",
         "bad --port 'sim:adapter=ftdi,report=off': report=off needs an adapter that reports"},
        {"bearing --port sim:adapter=ch341,report=0", "",
         "bad --port 'sim:adapter=ch341,report=0': bad value '0' for report"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(c.arguments, c.environment);
        EXPECT_EQ(run.status, 2) << c.arguments;
        const std::string expected = std::string("--\nkolvaner-cli: ") + c.message;
        EXPECT_EQ(run.output.substr(0, expected.size()), expected) << c.arguments;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 2) << run.output;
    }
}

// A bad simulator option is named once and in the same words, wherever the port came
// from: kolvaner-cli's --port, its KOLVANER_PORT, and the window's --port.
TEST(KolvanerCli, BadSimulatorPortReadsTheSameFromEverySource) {
    const struct {
        const char* port;
        const char* reason;
    } cases[] = {
        {"sim:compass=north",
         "bad value 'north' for compass (allowed: 0-65535 or 0x0-0xFFFF, turning, sweep, off)"},
        {"Sim", "the simulated bus is named in lower case (allowed: sim, sim:OPTIONS)"},
        {"sim:seed=1,seed=2", "seed given twice (allowed: each option once)"},
    };
    for (const auto& c : cases) {
        const std::string reason = std::string("'") + c.port + "': " + c.reason;
        EXPECT_EQ(RunCli(std::string("bearing --port ") + c.port).output,
                  "--\nkolvaner-cli: bad --port " + reason + "\n");
        EXPECT_EQ(RunCli("bearing", std::string("KOLVANER_PORT=") + c.port).output,
                  "--\nkolvaner-cli: bad KOLVANER_PORT " + reason + "\n");
        EXPECT_EQ(PortConfigFor(c.port).Problem(), "bad --port " + reason);
    }
}

TEST(KolvanerCli, HelpAndVersion) {
    const CliRun run = RunCli("--help");
    EXPECT_EQ(run.status, 0);
    for (const char* word : {"bearing",
                             "temperature",
                             "input [ADDR]",
                             "scan",
                             "check",
                             "recover",
                             "ports",
                             "--count",
                             "--interval",
                             "--port",
                             "--trace",
                             "--clock KHZ",
                             "get ADDR [REG] [--bytes N]",
                             "set ADDR BYTE...",
                             "dump ADDR",
                             "1-64 bytes",
                             "--version",
                             "compass=N|turning|sweep|off",
                             "hold=1-8",
                             "adapter=ideal|native|ftdi|cp210x|pl2303|ch341|cdc-acm",
                             "prints no value",
                             "2 usage error",
                             "128+N"}) {
        EXPECT_NE(run.output.find(word), std::string::npos) << word;
    }
    // As Windows' own tools are asked.
    for (const char* windows_style : {"'/?'", "help", "help bearing"}) {
        const CliRun same = RunCli(windows_style);
        EXPECT_EQ(same.status, 0) << windows_style;
        EXPECT_EQ(same.output, run.output) << windows_style;
    }
    for (const char* arguments : {"bearing --version", "bogus --version"}) {
        const CliRun version = RunCli(arguments);
        EXPECT_EQ(version.status, 0) << arguments;
        EXPECT_EQ(version.output.rfind("kolvaner-cli 0.", 0), 0U) << version.output;
        EXPECT_EQ(std::count(version.output.begin(), version.output.end(), '\n'), 2);
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
    EXPECT_EQ(twice.output, without_thermometer + "\n" + without_thermometer + "--\n");
}

TEST(KolvanerCli, EnvironmentChoosesThePortAndOptionsOverrideIt) {
    EXPECT_EQ(RunCli("bearing", "KOLVANER_PORT=sim:compass=70").output, "7\n--\n");
    // As cmd's "set KOLVANER_PORT=... && kolvaner-cli ..." leaves it.
    EXPECT_EQ(RunCli("bearing", "KOLVANER_PORT='sim:compass=70 '").output, "7\n--\n");
    EXPECT_EQ(RunCli("bearing --port sim:compass=80", "KOLVANER_PORT=sim:compass=70").output,
              "8\n--\n");
}

TEST(KolvanerCli, ATraceOnAFifoWithNoReaderFailsTheRunAtOnce) {
    const std::string fifo = TempPath("cli.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const CliRun run = RunCli("bearing --port sim --trace " + fifo, "timeout 20");
    std::remove(fifo.c_str());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output,
              "--\nkolvaner-cli: cannot write bus trace " + fifo + ": a FIFO with no reader\n");
}

TEST(KolvanerCli, CtrlCEndsAnEndlessRunWithACompleteTrace) {
    const std::string path = TempPath("interrupted.vcd");
    std::FILE* out = popen(
        ("echo $$; exec '" KOLVANER_CLI "' bearing --port sim --count 0 --interval 50 --trace " +
         path + " 2>/dev/null")
            .c_str(),
        "r");
    ASSERT_NE(out, nullptr);
    char line[64];
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    const pid_t pid = std::stoi(line);
    // Ctrl-C once five readings are out, whatever the time they took.
    long readings = 0;
    while (readings < 5 && std::fgets(line, sizeof line, out) != nullptr) {
        ++readings;
    }
    kill(pid, SIGINT);
    while (std::fgets(line, sizeof line, out) != nullptr) {
        ++readings;
    }
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    EXPECT_GE(readings, 5);
    EXPECT_EQ(ReadVcd(path).transactions.size(), 3U * static_cast<std::size_t>(readings));
    std::remove(path.c_str());
}

// A trace another program writes into (flock(1) holds its lock as a second kolvaner would)
// is left as it is; on a full disk the trace ends with the last complete transaction.
TEST(KolvanerCli, TraceProblemsEndTheRunAndLeaveADecodableFile) {
    const std::string path = testing::TempDir() + "problem.vcd";
    const std::string mount = testing::TempDir() + "kolvaner-small-fs";
    mkdir(mount.c_str(), 0700);
    const std::string mount_command = "unshare --mount sh -c 'mount -t tmpfs ";
    const bool can_mount =
        std::system((mount_command + "tmpfs " + mount + "' 2>/dev/null").c_str()) == 0;
    const struct {
        std::string prefix;
        std::string trace;
        const char* reason;
    } cases[] = {
        {"flock " + path, path, "the trace is in use by another program"},
        // 16 KiB in a mount namespace of its own; the trace is copied out after the run.
        {mount_command + "-o size=16k tmpfs " + mount + " && \"$0\" \"$@\"; status=$?; cp " +
             mount + "/t.vcd " + path + "; exit $status'",
         mount + "/t.vcd", "No space left on device"},
    };
    for (const auto& c : cases) {
        if (c.trace != path && !can_mount) {
            continue;
        }
        RunCli("bearing --port sim:compass=450 --trace " + path);
        const VcdTrace before = ReadVcd(path);
        const CliRun run = RunCli(
            "bearing --port sim:compass=450 --count 0 --interval 0 --trace " + c.trace, c.prefix);
        EXPECT_EQ(run.status, 1) << c.reason;
        EXPECT_EQ(run.output.substr(run.output.find("--\n")),
                  "--\nkolvaner-cli: cannot write bus trace " + c.trace + ": " + c.reason + "\n");
        const VcdTrace left = ReadVcd(path);
        if (c.trace == path) {
            EXPECT_EQ(left.timestamps, before.timestamps) << "the first program's trace changed";
            continue;
        }
        // Cut back to the instant after a stop: no half line, no transaction cut short.
        const std::vector<std::string> reading = {"S C0A 02A [1] P", "S C1A 01N P", "S C1A C2N P"};
        ASSERT_GE(left.transactions.size(), 3U);
        for (std::size_t index = 0; index < left.transactions.size(); ++index) {
            EXPECT_EQ(left.transactions[index], reading[index % 3]) << index;
        }
        EXPECT_TRUE(std::is_sorted(left.timestamps.begin(), left.timestamps.end()));
        EXPECT_EQ(left.levels.back(), "11");
        std::ifstream file(path, std::ios::binary);
        const std::string text(std::istreambuf_iterator<char>(file), {});
        EXPECT_EQ(text.substr(text.size() - 1), "\n");
    }
    std::remove(path.c_str());
    rmdir(mount.c_str());
    if (!can_mount) {
        GTEST_SKIP() << "a full disk needs a tmpfs mounted in a namespace of its own (root)";
    }
}

// get, set and dump: what they print, and exactly their transactions on the wire.
TEST(CliTransfers, OutputStatusAndTraffic) {
    const std::string path = TempPath("transfers.vcd");
    const struct {
        const char* arguments;
        int status;
        const char* traffic;
        const char* output;
    } cases[] = {
        {"get 0x60 2 --bytes 2 --port sim:compass=450", 0, "S C0A 02A Sr C1A 01A C2N P",
         "0x01 0xc2\n--\n"},
        {"get 0x20 --bytes 2 --port sim:inport=0x81", 0, "S 41A 81A 81N P", "0x81 0x81\n--\n"},
        {"set 0x48 0xa1 0x50 0x00 --port sim", 0, "S 90A A1A 50A 00A P", "--\n"},
        {"get 0x50 --port sim", 1, "S A1N P",
         "--\nkolvaner-cli: no answer from the device at 0x50\n"},
        {"dump 0x50 --port sim", 1, "S A0N P",
         "--\nkolvaner-cli: no answer from the device at 0x50\n"},
        {"get 0x48 7 --port sim", 1, "S 90A 07N P",
         "--\nkolvaner-cli: the device at 0x48 did not acknowledge byte 1 (0x07)\n"},
        {"set 0x48 0xa1 0x50 0x00 0x33 0x44 --port sim", 1, "S 90A A1A 50A 00A 33N P",
         "--\nkolvaner-cli: the device at 0x48 did not acknowledge byte 4 (0x33)\n"},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(std::string(c.arguments) + " --trace " + path);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.output, c.output) << c.arguments;
        EXPECT_EQ(ReadVcd(path).transactions, std::vector<std::string>{c.traffic}) << c.arguments;
    }
    std::remove(path.c_str());
}

TEST(CliTransfers, DumpReadsEveryRegisterIntoAGrid) {
    std::string compass =
        "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n"
        "00: 0e 20 01 c2 00 00 00 00 00 00 00 00 00 00 00 00    ? ??............\n";
    for (const char* row : {"10", "20", "30", "40", "50", "60", "70", "80", "90", "a0", "b0", "c0",
                            "d0", "e0", "f0"}) {
        compass += std::string(row) +
                   ": 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00    ................\n";
    }
    const std::string path = TempPath("dump.vcd");
    const CliRun run =
        RunCli("dump 0x60 --port sim:compass=450 --count 2 --interval 0 --trace " + path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, compass + "\n" + compass + "--\n");
    const std::vector<std::string> dump = ReadVcd(path).transactions;
    ASSERT_EQ(dump.size(), 2U * 256);
    EXPECT_EQ(dump[3], "S C0A 03A Sr C1A C2N P");
    EXPECT_EQ(dump[255], "S C0A FFA Sr C1A 00N P");
    std::remove(path.c_str());
    // The thermometer acknowledges only its command bytes.
    const CliRun thermometer = RunCli("dump 0x48 --port sim");
    EXPECT_EQ(thermometer.status, 0);
    const char row[] =
        "\na0: XX 7d c9 XX XX XX XX XX 04 10 19 XX 80 XX XX XX    X}?XXXXX???X?XXX\n";
    EXPECT_NE(thermometer.output.find(row), std::string::npos) << thermometer.output;
}

// Where options end and what wins: each row the arguments, and the error or the action.
TEST(CliArgs, OptionRules) {
    using Action = CliCommand::Action;
    const struct {
        std::string args;   // split at spaces
        const char* error;  // empty: accepted, as action
        Action action;
    } cases[] = {
        {"bearing -x", "unknown option '-x'", {}},
        {"-x bearing", "unknown option '-x'", {}},
        {"bearing -count=2", "unknown option '-count'", {}},
        {"input -1", "bad address '-1' (0-127 or 0x00-0x7f)", {}},
        {"-- bearing", "", Action::bearing},
        {"bearing -- --count", "unexpected argument '--count'", {}},
        {"-- --count 2 bearing", "unknown command '--count'", {}},
        {"set 0x20 --count 2 -- 7", "", Action::set},
        {"bearing -- --", "unexpected argument '--'", {}},
        {"bogus --version", "", Action::version},
        {"bearing --count x -h", "", Action::help},
        {"--trace --version --help", "", Action::version},
        {"bearing -- --help", "unexpected argument '--help'", {}},
        {"bearing --count 1 --count=2", "'--count' given twice", {}},
        {"--port sim get 0x60 --port=sim", "'--port' given twice", {}},
        {"bearing --trace a --trace", "'--trace' given twice", {}},
        {"set 0x50" + Repeated("0xff", 64), "", Action::set},
        {"set 0x50" + Repeated("0xff", 65),
         "too many bytes for set (at most 64, an EEPROM page)",
         {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string_view> args;
        for (std::string_view rest = c.args; !rest.empty();) {
            const std::size_t space = std::min(rest.find(' '), rest.size());
            args.push_back(rest.substr(0, space));
            rest.remove_prefix(std::min(space + 1, rest.size()));
        }
        CliCommand command;
        EXPECT_EQ(ParseCliArgs(args, command), c.error) << c.args;
        if (*c.error == '\0') {
            EXPECT_EQ(command.action, c.action) << c.args;
        }
    }
}

TEST(CliArgs, DefaultsAndOverrides) {
    CliCommand command;
    ASSERT_EQ(ParseCliArgs({"bearing"}, command), "");
    EXPECT_EQ(command.action, CliCommand::Action::bearing);
    EXPECT_EQ(command.count, 1);
    EXPECT_EQ(command.interval_ms, 500);
    EXPECT_EQ(command.config.port, "");
    command.config.clock_problem = "bad KOLVANER_CLOCK 'fast' (1-100 kHz)";
    ASSERT_EQ(ParseCliArgs(
                  {"--count", "0", "bearing", "--trace", "t.vcd", "--port", "sim", "--clock", "20"},
                  command),
              "");
    EXPECT_EQ(command.count, 0);
    EXPECT_EQ(command.config.trace, "t.vcd");
    EXPECT_EQ(command.config.port, "sim");
    EXPECT_TRUE(command.config.sim.has_value());
    EXPECT_EQ(command.config.clock_khz, 20);
    EXPECT_EQ(command.config.Problem(), "");
    ASSERT_EQ(ParseCliArgs({"input"}, command), "");
    EXPECT_EQ(command.action, CliCommand::Action::input);
    EXPECT_EQ(command.address, 0x20);
    ASSERT_EQ(ParseCliArgs({"input", "0x7F"}, command), "");
    EXPECT_EQ(command.address, 127);
    ASSERT_EQ(ParseCliArgs({"input", "0"}, command), "");
    EXPECT_EQ(command.address, 0);
}

}  // namespace
