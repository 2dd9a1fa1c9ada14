// kolvaner-cli cut short, and two of them on one port: the real program on the fake serial
// terminal, whose log shows whether the port was put back and released.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/fake_tty/fake_tty_log.h"
#include "tests/support/run_program.h"

namespace {

const std::string kFakeTty = "/tmp/kolvaner-" + std::to_string(getpid()) + "-ttySIG0";
const std::string kLog = "/tmp/kolvaner-" + std::to_string(getpid()) + "-sig.log";
// The fake terminal is a file at its path: gone when the tests are done.
const struct RemoveFakeFiles {
    ~RemoveFakeFiles() {
        std::remove(kFakeTty.c_str());
        std::remove(kLog.c_str());
    }
} remove_fake_files;
constexpr auto kPatience = std::chrono::seconds(20);

struct Child {
    pid_t pid = -1;
    int out = -1;  // the read end of its standard output
};

using Environment = std::vector<std::pair<const char*, const char*>>;

// Starts kolvaner-cli on the fake terminal with the arguments, standard output on a pipe.
Child Start(const std::vector<std::string>& arguments, const Environment& environment = {}) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_ends[1], STDOUT_FILENO);
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        const char* asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        setenv("LD_PRELOAD", FAKE_TTY_LIBRARY, 1);
        setenv("KOLVANER_FAKE_TTY", kFakeTty.c_str(), 1);
        setenv("KOLVANER_FAKE_LOG", kLog.c_str(), 1);
        setenv("KOLVANER_FAKE_BUS", "compass=450", 1);
        for (const auto& [name, value] : environment) {
            setenv(name, value, 1);
        }
        std::vector<char*> argv = {const_cast<char*>(KOLVANER_CLI)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(KOLVANER_CLI, argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    return {pid, pipe_ends[0]};
}

// The first line the child prints, empty when none comes in time.
std::string FirstLine(const Child& child) {
    std::string line;
    char c = 0;
    pollfd ready{child.out, POLLIN, 0};
    while (poll(&ready, 1, static_cast<int>(kPatience / std::chrono::milliseconds(1))) == 1 &&
           read(child.out, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

// The exit status; -1 when the child did not exit by itself (a signal killed it).
int ExitStatus(const Child& child) {
    int status = 0;
    waitpid(child.pid, &status, 0);
    close(child.out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WaitForLogLines(std::size_t count) {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (FakeTtyLog(kLog).size() < count && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::vector<std::string> LogTail(std::size_t count) {
    const std::vector<std::string> lines = FakeTtyLog(kLog);
    return {lines.end() - static_cast<long>(std::min(count, lines.size())), lines.end()};
}

const std::vector<std::string> kPortPutBack = {
    "tcsetattr TCSANOW ispeed=38400 ospeed=38400 csize=8 parenb=0 cstopb=0 crtscts=0 clocal=0 "
    "cread=1 icanon=1 echo=1 isig=1 ixon=1 ixoff=0 opost=1 vmin=0 vtime=0",
    "ioctl TIOCNXCL", "close"};

TEST(CliSignals, EachEndingSignalPutsThePortBackAndExitsWithItsNumber) {
    // SIGPIPE comes from the reader closing the pipe, as `| head -1` does.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::remove(kLog.c_str());
        const Child child =
            Start({"bearing", "--count", "0", "--interval", "20", "--port", kFakeTty});
        EXPECT_EQ(FirstLine(child), "45") << signal_number;
        if (signal_number == SIGPIPE) {
            close(child.out);
        } else {
            kill(child.pid, signal_number);
        }
        EXPECT_EQ(ExitStatus(child), 128 + signal_number) << signal_number;
        EXPECT_EQ(LogTail(3), kPortPutBack) << signal_number;
    }
}

TEST(CliSignals, CtrlCStopsAScanOrADumpBetweenTransactions) {
    const struct {
        std::vector<std::string> arguments;
        long samples;  // CTS samples of the whole run: the idle check, then the transactions
    } cases[] = {
        {{"scan"}, 1 + 112},
        {{"dump", "0x60"}, 1 + 256 * (3 + 8)},
    };
    for (const auto& c : cases) {
        std::remove(kLog.c_str());
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--port", kFakeTty});
        // A slow adapter, so the signal comes while the run is under way.
        const Child child = Start(arguments, {{"KOLVANER_FAKE_DELAY_US", "200"}});
        WaitForLogLines(200);
        kill(child.pid, SIGINT);
        EXPECT_EQ(FirstLine(child), "") << "no grid from a run cut short";
        EXPECT_EQ(ExitStatus(child), 130);
        const std::vector<std::string> lines = FakeTtyLog(kLog);
        const auto samples = std::count(lines.begin(), lines.end(), "ioctl TIOCMGET");
        EXPECT_LT(samples, c.samples) << "the whole " << c.arguments[0] << " ran";
        // The last line change is a stop condition's SDA rise: the bus is idle.
        EXPECT_EQ(LogTail(4)[0], "ioctl TIOCMBIS DTR");
        EXPECT_EQ(LogTail(3), kPortPutBack);
    }
}

TEST(CliSignals, ASecondProgramOnAPortInUseIsRefused) {
    std::remove(kLog.c_str());
    const Child first = Start({"bearing", "--count", "0", "--interval", "20", "--port", kFakeTty});
    ASSERT_EQ(FirstLine(first), "45");
    const ProgramRun second = RunProgram(
        KOLVANER_CLI, "bearing --port " + kFakeTty,
        "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" LD_PRELOAD='" FAKE_TTY_LIBRARY
        "' KOLVANER_FAKE_TTY='" +
            kFakeTty + "'");
    EXPECT_EQ(second.status, 1);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err,
              "kolvaner-cli: cannot use " + kFakeTty + ": the port is in use by another program\n");
    kill(first.pid, SIGTERM);
    EXPECT_EQ(ExitStatus(first), 128 + SIGTERM);
}

}  // namespace
