// SPDX-License-Identifier: MIT
// The bus trace: a VCD file a logic-analyser viewer opens, in nanoseconds, complete
// after every transaction, and a clear problem when it cannot be written.
#ifndef _WIN32
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devices/compass.h"
#include "port/port_status.h"
#include "port/trace/bus_trace.h"
#include "tests/support/bus_session.h"
#ifndef _WIN32
#include "tests/support/fifo_drain.h"
#endif
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(BusTrace, SimulatedNanosecondsAtThePinsKeepToStandardMode) {
    const std::string path = TempPath("trace.vcd");
    {
        BusSession session("sim:compass=0x0E0B,adapter=native", path);
        for (int read = 0; read < 3; ++read) {
            ReadBearing();
        }
    }
    EXPECT_NE(FileText(path).find("$timescale 1 ns $end"), std::string::npos);
    const VcdTrace trace = ReadVcd(path);
    EXPECT_EQ(trace.wires, (std::vector<std::string>{"scl", "sda"}));
    EXPECT_EQ(trace.timestamps[0], 0);
    for (std::size_t index = 1; index < trace.timestamps.size(); ++index) {
        EXPECT_GT(trace.timestamps[index], trace.timestamps[index - 1]) << index;
    }
    // SCL high at least 4.0 us and low at least 4.7 us, as the chips see it.
    for (std::size_t index = 1; index < trace.scl.size(); ++index) {
        const VcdTrace::Edge& before = trace.scl[index - 1];
        const long long lasted = trace.scl[index].time - before.time;
        EXPECT_GE(lasted, before.level ? 4000 : 4700) << "SCL edge " << index;
    }
    EXPECT_EQ(trace.transactions.size(), 9U);
    std::remove(path.c_str());
}

TEST(BusTrace, DecodesToTheLastStopAfterEachTransactionBeforeTheClose) {
    const std::string path = TempPath("flush.vcd");
    BusSession session("sim:compass=450", path);
    ReadBearing();
    EXPECT_EQ(ReadVcd(path).transactions.size(), 3U);
    ReadBearing();
    const VcdTrace trace = ReadVcd(path);
    ASSERT_EQ(trace.transactions.size(), 6U);
    EXPECT_EQ(trace.transactions.back(), "S C1A C2N P");
    std::remove(path.c_str());
}

TEST(BusTrace, AFileThatCannotBeCreatedIsAProblemAndTheBusRunsOn) {
    BusSession session("sim:compass=450", "/nonexistent-dir/trace.vcd");
    EXPECT_EQ(TraceProblem(),
              "cannot write bus trace /nonexistent-dir/trace.vcd: No such file or directory");
    EXPECT_TRUE(PortIsOpen());
    EXPECT_EQ(ReadBearing(), 45);
}

#ifndef _WIN32
void Ignore(int) {}

// Signals that interrupt the wait on a FIFO's slow reader are no verdict while the program
// runs on: the reader gets every byte.
TEST(BusTrace, ASlowReaderGetsEveryByteThroughSignals) {
    const std::string fifo = TempPath("slow-reader.fifo");
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    fcntl(reader, F_SETPIPE_SZ, 4096);
    // Without SA_RESTART: poll returns EINTR.
    struct sigaction ignore {};
    ignore.sa_handler = Ignore;
    struct sigaction previous {};
    sigaction(SIGUSR1, &ignore, &previous);
    volatile std::sig_atomic_t give_up = 0;
    std::string problem;
    constexpr int kChanges = 2000;  // about 40 kB
    std::thread writer([&] {
        BusTrace trace;
        trace.Open(fifo, false, true, true, &give_up);
        for (int change = 1; change <= kChanges; ++change) {
            trace.Lines(change * 10'000LL, change % 2 == 0, true);
            trace.Flush();
        }
        trace.Close();
        problem = trace.Problem();
    });
    // The FIFO fills at once; from then on the writer waits in poll.
    for (int signal = 0; signal < 20; ++signal) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pthread_kill(writer.native_handle(), SIGUSR1);
    }
    const std::string text = DrainUntilClosed(reader);
    writer.join();
    sigaction(SIGUSR1, &previous, nullptr);
    close(reader);
    std::remove(fifo.c_str());
    EXPECT_EQ(problem, "");
    EXPECT_NE(text.find("#" + std::to_string(kChanges * 10'000LL) + "\n"), std::string::npos);
}
#endif

}  // namespace
