// SPDX-License-Identifier: MIT
// Device reads through the simulated bus: reads per second, and port calls per read
// counted from the bus trace, where every line operation and CTS sample gets a timestamp.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "bus/bus_transfer.h"
#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "devices/thermometer.h"

void ShowMessageBox(std::string_view text) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

namespace {

void OpenSimulatedBus(const char* trace) {
    setenv("KOLVANER_PORT", "sim:compass=turning", 1);
    if (trace != nullptr) {
        setenv("KOLVANER_TRACE", trace, 1);
    } else {
        unsetenv("KOLVANER_TRACE");
    }
    OpenBus();
}

template <typename Read>
int PortCallsPerRead(Read read) {
    const std::string path = "/tmp/kolvaner-bench-" + std::to_string(getpid()) + ".vcd";
    OpenSimulatedBus(path.c_str());
    read();
    CLOSECOM();
    std::ifstream trace(path);
    // One instant per port call, each followed by what changed; the instant after each stop
    // that closes a transaction changes nothing.
    int instants = 0;
    bool after_instant = false;
    for (std::string line; std::getline(trace, line);) {
        const bool instant = !line.empty() && line[0] == '#';
        instants += after_instant && !instant ? 1 : 0;
        after_instant = instant;
    }
    std::remove(path.c_str());
    // Less the #0 of the header and the open's RTS(1) and DTR(1).
    return instants - 3;
}

// Reads per second on the simulated bus, then the port calls of one read from a trace.
template <typename Read>
void ReadsOnSimulatedBus(benchmark::State& state, Read read) {
    OpenSimulatedBus(nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(read());
    }
    CLOSECOM();
    state.counters["reads/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["port_calls/read"] = PortCallsPerRead(read);
}

void BM_ReadBearingOnSimulatedBus(benchmark::State& state) {
    ReadsOnSimulatedBus(state, ReadBearing);
}
BENCHMARK(BM_ReadBearingOnSimulatedBus);

void BM_ReadTemperatureOnSimulatedBus(benchmark::State& state) {
    ReadsOnSimulatedBus(state, ReadTemperature);
}
BENCHMARK(BM_ReadTemperatureOnSimulatedBus);

// Every register of the compass read on its own, as a register dump does: select,
// repeated start, one byte.
int DumpCompassRegisters() {
    int sum = 0;
    for (int number = 0; number <= 0xFF; ++number) {
        const BusTransfer transfer = ReadRegisters(0x60, static_cast<BusByte>(number), 1);
        sum += transfer.bytes.empty() ? 0 : transfer.bytes[0];
    }
    return sum;
}

void BM_RegisterDumpOnSimulatedBus(benchmark::State& state) {
    ReadsOnSimulatedBus(state, DumpCompassRegisters);
}
BENCHMARK(BM_RegisterDumpOnSimulatedBus);

void BM_SettleDelay(benchmark::State& state) {
    const std::int16_t once = 1;
    for (auto _ : state) {
        SettleDelay(once);
    }
}
BENCHMARK(BM_SettleDelay);

}  // namespace

BENCHMARK_MAIN();
