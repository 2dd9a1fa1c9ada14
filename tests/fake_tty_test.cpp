// SPDX-License-Identifier: MIT
// The serial-port backend at the system-call level, and kolvaner-cli cut short: the real
// program on a fake serial terminal (LD_PRELOAD) whose modem lines drive the simulated bus and
// whose log shows whether the port was put back and released.
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/fake_tty/fake_tty_log.h"
#include "tests/support/fifo_drain.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

const std::string kFakeTty = TempPath("ttyFAKE0");
const std::string kLog = TempPath("fake.log");
// The fake terminal is a file at its path: gone when the tests are done.
const struct RemoveFakeFiles {
    ~RemoveFakeFiles() {
        std::remove(kFakeTty.c_str());
        std::remove(kLog.c_str());
    }
} remove_fake_files;

const char kOpenLine[] = "open O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC";
const char kPortSettings[] =
    "tcsetattr TCSANOW ispeed=9600 ospeed=9600 csize=8 parenb=0 cstopb=0 crtscts=0 clocal=1 "
    "cread=1 icanon=0 echo=0 isig=0 ixon=0 ixoff=0 opost=0 vmin=0 vtime=0";
const char kSettingsPutBack[] =
    "tcsetattr TCSANOW ispeed=38400 ospeed=38400 csize=8 parenb=0 cstopb=0 crtscts=0 clocal=0 "
    "cread=1 icanon=1 echo=1 isig=1 ixon=1 ixoff=0 opost=1 vmin=0 vtime=0";
// SCL down before SDA, so the lines the system drops at the close make no start
// condition; the terminal settings put back, the port released and closed: how every run
// ends.
const std::vector<std::string> kPortPutBack = {"ioctl TIOCMBIC RTS", "ioctl TIOCMBIC DTR",
                                               kSettingsPutBack, "ioctl TIOCNXCL", "close"};

// The environment that puts the fake in place of the port, with a new log. Under
// AddressSanitizer the fake comes before its runtime in the library list.
std::string OnFake(const std::string& environment) {
    std::remove(kLog.c_str());
    return "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD='" FAKE_TTY_LIBRARY
           "' KOLVANER_FAKE_TTY='" +
           kFakeTty + "' KOLVANER_FAKE_LOG='" + kLog + "' " + environment;
}

ProgramRun RunOnFake(const std::string& arguments, const std::string& environment = "") {
    return RunProgram(KOLVANER_CLI, arguments, OnFake(environment));
}

std::vector<std::string> LogTail(std::size_t count) {
    const std::vector<std::string> lines = FakeTtyLog(kLog);
    return {lines.end() - static_cast<long>(std::min(count, lines.size())), lines.end()};
}

TEST(FakeSerialTerminal, OpensSetsUpReadsAndRestoresWithNothingElseInBetween) {
    const ProgramRun run = RunOnFake("bearing --count 3 --interval 0 --port " + kFakeTty,
                                     "KOLVANER_FAKE_BUS=compass=0x0E0B");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "360\n360\n360\n");
    const std::vector<std::string> lines = FakeTtyLog(kLog);
    ASSERT_GE(lines.size(), 8U);
    const std::vector<std::string> head(lines.begin(), lines.begin() + 5);
    EXPECT_EQ(head, (std::vector<std::string>{kOpenLine, "tcgetattr", "flock LOCK_EX|LOCK_NB",
                                              "ioctl TIOCEXCL", kPortSettings}));
    EXPECT_EQ(LogTail(kPortPutBack.size()), kPortPutBack);
    const auto modem_calls = std::count_if(lines.begin() + 5, lines.end() - 3, IsModemLineCall);
    EXPECT_EQ(modem_calls, static_cast<long>(lines.size()) - 8) << "other calls in between";
    // The adapter's test: lines idle, SDA seen high, SCL low, DTR down and up with CTS read
    // until it follows, lines idle again.
    const std::vector<std::string> test_start(lines.begin() + 5, lines.begin() + 10);
    EXPECT_EQ(test_start, (std::vector<std::string>{"ioctl TIOCMBIS RTS", "ioctl TIOCMBIS DTR",
                                                    "ioctl TIOCMGET", "ioctl TIOCMBIC RTS",
                                                    "ioctl TIOCMBIC DTR"}));
    // Then OpenBus's RTS(1) and DTR(1), per read one look at the idle SDA and the read.
    const auto reads = static_cast<std::ptrdiff_t>(lines.size() - kPortPutBack.size()) -
                       std::ptrdiff_t{3} * (1 + 194);
    const std::vector<std::string> open_bus(lines.begin() + reads - 4, lines.begin() + reads);
    EXPECT_EQ(open_bus, (std::vector<std::string>{"ioctl TIOCMBIS DTR", "ioctl TIOCMBIS RTS",
                                                  "ioctl TIOCMBIS RTS", "ioctl TIOCMBIS DTR"}));
}

TEST(FakeSerialTerminal, BearingsMatchTheSimulatedCompass) {
    const struct {
        const char* bus;
        int status;
        const char* out;
    } cases[] = {{"compass=450", 0, "45\n"},
                 {"compass=0xFFFF", 0, "6554\n"},
                 {"compass=off", 1, ""},
                 {"compass=3585", 0, "358\n"}};
    for (const auto& c : cases) {
        const ProgramRun run =
            RunOnFake("bearing --port " + kFakeTty, std::string("KOLVANER_FAKE_BUS=") + c.bus);
        EXPECT_EQ(run.status, c.status) << c.bus << run.err;
        EXPECT_EQ(run.out, c.out) << c.bus;
    }
}

TEST(FakeSerialTerminal, UnpluggedAdapterIsReportedOnceAndEndsTheRun) {
    // The second read fails partway: 2 calls for the open, 194 for the first read.
    const ProgramRun run = RunOnFake("bearing --count 5 --interval 0 --port " + kFakeTty,
                                     "KOLVANER_FAKE_BUS=compass=450 KOLVANER_FAKE_FAIL_AFTER=300");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "45\n");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(kFakeTty), std::string::npos) << run.err;
    const std::vector<std::string> lines = FakeTtyLog(kLog);
    const auto failed = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return IsModemLineCall(line) && line.find("EIO") != std::string::npos;
    });
    EXPECT_EQ(failed, 1) << "modem lines used after the failure";
    EXPECT_EQ(lines.back(), "close");
}

TEST(FakeSerialTerminal, PermissionDeniedNamesAGroupOnlyWhenJoiningItHelps) {
    const std::string denied = TempPath("ttyDENIED");
    const group* dialout = getgrnam("dialout");
    if (geteuid() != 0 || dialout == nullptr) {
        GTEST_SKIP() << "needs root and a dialout group to give the file its owners";
    }
    const struct {
        gid_t group;
        mode_t mode;
        const char* hint;
    } cases[] = {
        {dialout->gr_gid, 0660,
         " (join the group 'dialout' that may use it: sudo usermod -aG dialout $USER, then log "
         "in again)"},
        {dialout->gr_gid, 0640, " (permissions -rw-r-----, owner root, group dialout)"},
        {0, 0660, " (permissions -rw-rw----, owner root, group root)"},
    };
    for (const auto& c : cases) {
        std::ofstream(denied) << "";
        ASSERT_EQ(chown(denied.c_str(), 0, c.group), 0);
        ASSERT_EQ(chmod(denied.c_str(), c.mode), 0);
        const ProgramRun run =
            RunOnFake("bearing --port " + denied, "KOLVANER_FAKE_DENY='" + denied + "'");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "kolvaner-cli: cannot open " + denied + ": Permission denied" + c.hint + "\n");
        std::remove(denied.c_str());
    }
}

TEST(FakeSerialTerminal, AClosedStandardOutputDoesNotBecomeThePort) {
    std::remove(kFakeTty.c_str());
    const ProgramRun run = RunOnFake("bearing --port " + kFakeTty + " >&-");
    EXPECT_EQ(run.status, 0) << run.err;
    // The fake's descriptor is a file at its path: a reading written to the port lands there.
    std::ifstream port(kFakeTty);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(port), {}), "");
}

TEST(FakeSerialTerminal, CheckAndRecoverOnTheSerialBackend) {
    const struct {
        const char* command;
        const char* environment;
        int status;
        const char* last_line;
    } cases[] = {
        {"check", "", 0, "lines ok"},
        {"check", "KOLVANER_FAKE_BUS=cts=stuck-high", 1, ""},
        {"check", "KOLVANER_FAKE_BUS=hold=6", 1,
         "SDA stuck low: a device may be holding the bus; try kolvaner-cli recover"},
        {"check", "KOLVANER_FAKE_BUS=cts=late", 1,
         "CTS follows DTR late: this adapter reports CTS late, so reads come out wrong"},
        {"recover", "KOLVANER_FAKE_BUS=hold=6", 0,
         "SDA free after at most 6 clock pulses; sent a start and a stop"},
    };
    for (const auto& c : cases) {
        const ProgramRun run =
            RunOnFake(std::string(c.command) + " --port " + kFakeTty, c.environment);
        EXPECT_EQ(run.status, c.status) << c.command << " " << c.environment << run.err;
        if (*c.last_line == '\0') {
            // Refused when the port opened: the reason on stderr, nothing checked.
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("does not report CTS"), std::string::npos) << run.err;
            continue;
        }
        const std::size_t last = run.out.rfind('\n', run.out.size() - 2);
        EXPECT_EQ(run.out.substr(last == std::string::npos ? 0 : last + 1),
                  std::string(c.last_line) + "\n")
            << c.command << " " << c.environment;
    }
}

TEST(FakeSerialTerminal, AdapterUnpluggedDuringTheCheckGivesNoVerdict) {
    // CTS of a failed port reads high: that must not come out as "CTS stays high".
    const ProgramRun run = RunOnFake("check --port " + kFakeTty, "KOLVANER_FAKE_FAIL_AFTER=10");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

// How the lines went at the end of the log: true when both were low at the close, the last
// fall of RTS (SCL) came before the last fall of DTR (SDA) and nothing raised either after.
bool LowersSclThenSdaAndCloses(const std::vector<std::string>& lines) {
    std::ptrdiff_t rts_fell = -1;
    std::ptrdiff_t dtr_fell = -1;
    bool rts = true;
    bool dtr = true;
    for (std::ptrdiff_t index = 0; index < static_cast<std::ptrdiff_t>(lines.size()); ++index) {
        const std::string& line = lines[static_cast<std::size_t>(index)];
        const bool raise = line.rfind("ioctl TIOCMBIS", 0) == 0;
        if (!raise && line.rfind("ioctl TIOCMBIC", 0) != 0) {
            continue;
        }
        if (line.find("RTS") != std::string::npos) {
            rts_fell = rts && !raise ? index : rts_fell;
            rts = raise;
        }
        if (line.find("DTR") != std::string::npos) {
            dtr_fell = dtr && !raise ? index : dtr_fell;
            dtr = raise;
        }
    }
    return !rts && !dtr && rts_fell < dtr_fell && !lines.empty() && lines.back() == "close";
}

TEST(FakeSerialTerminal, EveryCloseLowersSclThenSda) {
    const struct {
        const char* arguments;
        const char* bus;
        int status;
    } cases[] = {
        {"bearing", "compass=450", 0},
        // Refused at the open: CTS never follows DTR.
        {"check", "cts=stuck-high", 1},
        {"recover", "sda=stuck-low", 1},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunOnFake(std::string(c.arguments) + " --port " + kFakeTty,
                                         std::string("KOLVANER_FAKE_BUS=") + c.bus);
        EXPECT_EQ(run.status, c.status) << c.arguments << " " << c.bus << run.err;
        EXPECT_TRUE(LowersSclThenSdaAndCloses(FakeTtyLog(kLog))) << c.arguments << " " << c.bus;
    }
}

// kolvaner-cli started on the fake terminal, its standard output on a pipe; the first line is
// its process id.
std::FILE* Start(const std::string& arguments, const std::string& environment) {
    const std::string command = OnFake(environment) + " exec '" KOLVANER_CLI "' " + arguments;
    return popen(("echo $$; " + command + " --port " + kFakeTty).c_str(), "r");
}

std::string NextLine(std::FILE* out) {
    char line[256];
    return std::fgets(line, sizeof line, out) != nullptr ? line : "";
}

// What it prints until it exits.
std::string Rest(std::FILE* out) {
    std::string text;
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
        text += static_cast<char>(c);
    }
    return text;
}

// The exit status; -1 when a signal killed it.
int ExitStatus(std::FILE* out) {
    const int status = pclose(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliSignals, EachEndingSignalStopsBetweenTransactionsAndPutsThePortBack) {
    const struct {
        const char* arguments;
        int signal_number;
        long samples;  // CTS samples of a whole run: the idle check, then the transactions
    } cases[] = {{"bearing --count 0", SIGINT, 0},  {"bearing --count 0", SIGTERM, 0},
                 {"bearing --count 0", SIGHUP, 0},  {"bearing --count 0", SIGPIPE, 0},
                 {"bearing --count 0", SIGQUIT, 0}, {"bearing --count 0", SIGUSR1, 0},
                 {"bearing --count 0", SIGUSR2, 0}, {"bearing --count 0", SIGALRM, 0},
                 {"scan", SIGINT, 1 + 112},         {"dump 0x60", SIGINT, 1 + 256 * (3 + 8)}};
    for (const auto& c : cases) {
        // A slow adapter, so the signal comes while the run is under way.
        std::FILE* out =
            Start(c.arguments, "KOLVANER_FAKE_BUS=compass=450 KOLVANER_FAKE_DELAY_US=200");
        const pid_t pid = std::stoi(NextLine(out));
        for (int wait = 0; wait < 2000 && FakeTtyLog(kLog).size() < 200; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // SIGPIPE comes from closing the pipe unread, as `| head -1` does.
        if (c.signal_number != SIGPIPE) {
            kill(pid, c.signal_number);
            EXPECT_TRUE(Rest(out).empty() || c.samples == 0) << "a grid from a run cut short";
        }
        EXPECT_EQ(ExitStatus(out), 128 + c.signal_number) << c.arguments << c.signal_number;
        const std::vector<std::string> lines = FakeTtyLog(kLog);
        EXPECT_TRUE(c.samples == 0 ||
                    std::count(lines.begin(), lines.end(), "ioctl TIOCMGET") < c.samples)
            << "the whole " << c.arguments << " ran";
        // The last line change is a stop condition's SDA rise: the bus is idle.
        EXPECT_EQ(LogTail(kPortPutBack.size() + 1)[0], "ioctl TIOCMBIS DTR")
            << c.arguments << c.signal_number;
        EXPECT_EQ(LogTail(kPortPutBack.size()), kPortPutBack) << c.arguments << c.signal_number;
    }
}

// True once the process has exited (a zombie until its parent collects it), within 20 s.
bool Exits(pid_t pid) {
    for (int wait = 0; wait < 2000; ++wait) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        const std::string text(std::istreambuf_iterator<char>(stat), {});
        const std::size_t state = text.rfind(") ");
        if (state == std::string::npos || text[state + 2] == 'Z') {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Until the run waits: on the reader, once something is in the FIFO and no call has come on
// the port for 300 ms; on the slow adapter, once it is reading. At most 30 s.
void WaitUntilHeldUp(int reader, bool slow_adapter) {
    std::size_t calls_before = 0;
    for (int look = 0; look < 100; ++look) {
        const std::size_t calls = FakeTtyLog(kLog).size();
        int waiting = 0;
        const bool filled = ioctl(reader, FIONREAD, &waiting) == 0 && waiting > 0;
        if (slow_adapter ? calls > 8 : filled && calls == calls_before) {
            return;
        }
        calls_before = calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

// A signal while the run waits: on a trace reader or a standard-output reader that takes
// nothing (a FIFO whose reader never reads), or on an adapter that takes 50 ms a call.
TEST(CliSignals, ASignalEndsARunWhereverItWaits) {
    const std::string fifo = testing::TempDir() + "cli-blocked.fifo";
    const struct {
        const char* arguments;  // FIFO stands for the FIFO's path
        const char* environment;
        int signal_number;
    } cases[] = {
        {"bearing --count 0 --interval 1 --trace FIFO", "", SIGINT},
        {"bearing --count 0 --interval 1 --trace FIFO", "", SIGTERM},
        {"bearing --count 0 --interval 1 --trace FIFO", "", SIGHUP},
        {"scan --count 0 --interval 0 >FIFO", "", SIGINT},
        {"scan --count 0 --interval 0 >FIFO", "", SIGTERM},
        {"scan --count 0 --interval 0 >FIFO", "", SIGHUP},
        {"bearing --count 0", "KOLVANER_FAKE_DELAY_US=50000", SIGINT},
    };
    for (const auto& c : cases) {
        std::remove(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(reader, 0);
        // One page: a few readings fill it.
        fcntl(reader, F_SETPIPE_SZ, 4096);
        std::string arguments = c.arguments;
        if (const std::size_t at = arguments.find("FIFO"); at != std::string::npos) {
            arguments.replace(at, 4, "'" + fifo + "'");
        }
        std::FILE* out = Start(arguments + " 2>/dev/null", c.environment);
        const pid_t pid = std::stoi(NextLine(out));
        WaitUntilHeldUp(reader, c.environment[0] != '\0');
        kill(pid, c.signal_number);
        const bool exited = Exits(pid);
        EXPECT_TRUE(exited) << c.arguments << " " << c.signal_number;
        if (!exited) {
            kill(pid, SIGKILL);
        }
        Rest(out);
        EXPECT_EQ(ExitStatus(out), 128 + c.signal_number) << c.arguments << c.signal_number;
        close(reader);
        const std::vector<std::string> lines = FakeTtyLog(kLog);
        EXPECT_EQ(LogTail(kPortPutBack.size()), kPortPutBack) << c.arguments << c.signal_number;
        // On the slow adapter the read under way is cut short after a second.
        EXPECT_TRUE(c.environment[0] == '\0' ||
                    std::count_if(lines.begin(), lines.end(), IsModemLineCall) < 2 + 1 + 194)
            << "the whole read ran";
    }
    std::remove(fifo.c_str());
}

// A signal while standard output waits on a slow reader: every reading finished before it
// comes out, the last one too. The compass counts up one per read, and the trace has one
// transaction per read.
TEST(CliSignals, ASlowReaderGetsTheLastFinishedReading) {
    const std::string fifo = testing::TempDir() + "cli-slow-reader.fifo";
    const std::string trace = TempPath("cli-slow-reader.vcd");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    fcntl(reader, F_SETPIPE_SZ, 4096);
    std::FILE* out = Start("get 0x60 2 --bytes 2 --count 0 --interval 0 --trace '" + trace +
                               "' >'" + fifo + "' 2>/dev/null",
                           "KOLVANER_FAKE_BUS=compass=sweep");
    const pid_t pid = std::stoi(NextLine(out));
    WaitUntilHeldUp(reader, false);
    kill(pid, SIGINT);
    // The reader comes back a tenth of a second later, well within the second it is given.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string text = DrainUntilClosed(reader);
    EXPECT_TRUE(Exits(pid));
    EXPECT_EQ(ExitStatus(out), 128 + SIGINT);
    close(reader);
    std::istringstream lines(text);
    long readings = 0;
    for (std::string line; std::getline(lines, line); ++readings) {
        EXPECT_EQ(std::stol(line.substr(0, 4), nullptr, 16) * 256 +
                      std::stol(line.substr(5, 4), nullptr, 16),
                  readings)
            << line;
    }
    EXPECT_GT(readings, 0);
    EXPECT_EQ(readings, static_cast<long>(ReadVcd(trace).transactions.size()));
    std::remove(fifo.c_str());
    std::remove(trace.c_str());
}

}  // namespace

// Ptys as a virtual machine's ports: the system opens them, the fake knows each by its device
// number and answers its modem lines with its own chips.
TEST(FakeSerialTerminal, EachPtyServesItsOwnChipsThroughTheSystemsOpen) {
    std::vector<std::string> ptys;
    std::vector<int> masters;
    for (int pty = 0; pty < 2; ++pty) {
        masters.push_back(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(masters.back() >= 0 && grantpt(masters.back()) == 0 &&
                    unlockpt(masters.back()) == 0);
        ptys.push_back(ptsname(masters.back()));
    }
    const std::string environment = "KOLVANER_FAKE_PTYS='" + ptys[0] + "=compass=100 " + ptys[1] +
                                    "=compass=2000,cts=stuck-high'";
    const ProgramRun first = RunOnFake("bearing --port " + ptys[0], environment);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "10\n");
    const std::vector<std::string> lines = FakeTtyLog(kLog);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), ptys[0] + " close");
    EXPECT_TRUE(std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(ptys[0] + " ioctl TIOCM", 0) == 0 || line == ptys[0] + " close";
    })) << "only the modem lines and the close are the fake's";
    const ProgramRun second = RunOnFake("bearing --port " + ptys[1], environment);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find("CTS"), std::string::npos) << second.err;
    for (const int master : masters) {
        close(master);
    }
}
