// SPDX-License-Identifier: MIT
// Device reads through the simulated bus: reads per second of host time, each simulated
// line call modelled at the pins.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bus/bus_transfer.h"
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

void OpenSimulatedBus() {
    ConfigurePort(PortConfigFor("sim:compass=turning"));
    OpenBus();
}

// Reads per second on the simulated bus.
template <typename Read>
void ReadsOnSimulatedBus(benchmark::State& state, Read read) {
    OpenSimulatedBus();
    for (auto _ : state) {
        benchmark::DoNotOptimize(read());
    }
    CLOSECOM();
    state.counters["reads/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
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
