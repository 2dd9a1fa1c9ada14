// SPDX-License-Identifier: MIT
// System calls per bearing read on a serial port, through the fake serial terminal: one
// TIOCMBIS/TIOCMBIC per line change and one TIOCMGET per sample, against the same line
// sequence done read-modify-write (TIOCMGET, then TIOCMSET, per line change). The
// counts are the figure: the times are those of the fake, not of a kernel driver.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "devices/thermometer.h"
#include "port/port_settings.h"

void ShowMessageBox(std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

namespace {

// The fake terminal is a file there, locked while open: one per run.
const std::string kFakeTty = "/tmp/kolvaner-bench-" + std::to_string(getpid()) + "-ttyFAKE0";

long ModemCalls() {
    static const auto counter =
        reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "KolvanerFakeModemCalls"));
    return counter != nullptr ? counter() : -1;
}

struct LineChange {
    unsigned long request;  // TIOCMBIS, TIOCMBIC or TIOCMGET
    int line;
};

// The modem-line calls of one bearing read, as the fake logged them.
std::vector<LineChange> OneReadsLineCalls() {
    const std::string log = "/tmp/kolvaner-bench-fake.log";
    std::remove(log.c_str());
    setenv("KOLVANER_FAKE_LOG", log.c_str(), 1);
    OpenBus();
    std::remove(log.c_str());
    ReadBearing();
    CLOSECOM();
    unsetenv("KOLVANER_FAKE_LOG");
    std::vector<LineChange> calls;
    std::ifstream file(log);
    for (std::string line; std::getline(file, line);) {
        const int which = line.find("RTS") != std::string::npos ? TIOCM_RTS : TIOCM_DTR;
        if (line.rfind("ioctl TIOCMBIS", 0) == 0) {
            calls.push_back({TIOCMBIS, which});
        } else if (line.rfind("ioctl TIOCMBIC", 0) == 0) {
            calls.push_back({TIOCMBIC, which});
        } else if (line.rfind("ioctl TIOCMGET", 0) == 0) {
            calls.push_back({TIOCMGET, 0});
        }
    }
    std::remove(log.c_str());
    return calls;
}

template <typename Read>
void OneCallPerLineChange(benchmark::State& state, Read read) {
    OpenBus();
    const long before = ModemCalls();
    long reads = 0;
    for (auto _ : state) {
        read();
        ++reads;
    }
    state.counters["syscalls/read"] =
        static_cast<double>(ModemCalls() - before) / static_cast<double>(reads);
    CLOSECOM();
}

void BM_BearingReadOneCallPerLineChange(benchmark::State& state) {
    OneCallPerLineChange(state, [] { benchmark::DoNotOptimize(ReadBearing()); });
}
BENCHMARK(BM_BearingReadOneCallPerLineChange);

void BM_TemperatureReadOneCallPerLineChange(benchmark::State& state) {
    OneCallPerLineChange(state, [] { benchmark::DoNotOptimize(ReadTemperature()); });
}
BENCHMARK(BM_TemperatureReadOneCallPerLineChange);

void BM_BearingReadReadModifyWrite(benchmark::State& state) {
    const std::vector<LineChange> calls = OneReadsLineCalls();
    const int fd = open(kFakeTty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const long before = ModemCalls();
    long reads = 0;
    for (auto _ : state) {
        for (const LineChange& call : calls) {
            int lines = 0;
            ioctl(fd, TIOCMGET, &lines);
            if (call.request != TIOCMGET) {
                lines = call.request == TIOCMBIS ? lines | call.line : lines & ~call.line;
                ioctl(fd, TIOCMSET, &lines);
            }
        }
        ++reads;
    }
    state.counters["syscalls/read"] =
        static_cast<double>(ModemCalls() - before) / static_cast<double>(reads);
    close(fd);
}
BENCHMARK(BM_BearingReadReadModifyWrite);

}  // namespace

// Runs itself again with the fake serial terminal preloaded.
int main(int argc, char** argv) {
    if (std::getenv("KOLVANER_FAKE_TTY") == nullptr) {
        setenv("LD_PRELOAD", FAKE_TTY_LIBRARY, 1);
        setenv("KOLVANER_FAKE_TTY", kFakeTty.c_str(), 1);
        setenv("KOLVANER_FAKE_BUS", "compass=turning", 1);
        execv("/proc/self/exe", argv);
        std::perror("modem_call_bench: exec");
        return 1;
    }
    ConfigurePort(PortConfigFor(kFakeTty));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kFakeTty.c_str());
    return 0;
}
