// SPDX-License-Identifier: MIT
#include "port/port_backend.h"

#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include "port/serial/serial_line.h"
#include "port/serial/serial_ports.h"
#include "port/sim/sim_bus.h"

namespace {

std::optional<SimBus> sim_bus;
bool serial_open = false;
std::string driver;
std::chrono::steady_clock::time_point opened;
volatile std::sig_atomic_t interrupted = 0;

// Below this a wait spins on the clock: a sleep's wake-up comes tens of microseconds late.
constexpr std::int64_t kLongestSpinNs = 2'000'000;
// A long wait sleeps in slices, so an interruption ends it.
constexpr std::chrono::milliseconds kSleepSlice{10};

std::string OpenSimulatedBus(const std::string& port) {
    SimOptions options;
    if (const std::string error = ParseSimPort(port, options); !error.empty()) {
        return "simulated bus: " + error;
    }
    sim_bus.emplace(options);
    driver = options.adapter->driver;
    return {};
}

}  // namespace

std::string BackendOpen(const std::string& port, const PortSettings& settings) {
    BackendClose();
    interrupted = 0;
    opened = std::chrono::steady_clock::now();
    if (NamesSimulator(port)) {
        return OpenSimulatedBus(port);
    }
    std::string problem = SerialOpen(port, settings);
    serial_open = problem.empty();
    driver = serial_open ? SerialPortDriver(port) : "";
    return problem;
}

void BackendClose() {
    if (serial_open) {
        SerialClose();
    }
    serial_open = false;
    sim_bus.reset();
}

bool BackendIsOpen() {
    return serial_open || sim_bus.has_value();
}

SimBus* BackendSimBus() {
    return sim_bus ? &*sim_bus : nullptr;
}

const std::string& BackendDriver() {
    return driver;
}

bool BackendSetLine(Line line, bool high) {
    if (sim_bus) {
        if (line == Line::dtr) {
            sim_bus->SetData(high);
        } else {
            sim_bus->SetClock(high);
        }
        return true;
    }
    return line == Line::dtr ? SerialSetDtr(high) : SerialSetRts(high);
}

int BackendCts() {
    if (sim_bus) {
        return sim_bus->Cts() ? 1 : 0;
    }
    return SerialCts();
}

std::string BackendLastError() {
    return SerialLastError();
}

std::int64_t BackendNow() {
    if (sim_bus) {
        return sim_bus->Now();
    }
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                opened)
        .count();
}

std::int64_t BackendAfterCall() {
    return sim_bus ? sim_bus->CallReturned() : BackendNow();
}

void BackendWaitUntil(std::int64_t time) {
    if (sim_bus) {
        sim_bus->WaitUntil(time);
        return;
    }
    for (std::int64_t now = BackendNow(); now < time && interrupted == 0; now = BackendNow()) {
        if (time - now > kLongestSpinNs) {
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                kSleepSlice, std::chrono::nanoseconds(time - now - kLongestSpinNs)));
        }
    }
}

void BackendInterrupt() {
    interrupted = 1;
}

bool BackendInterrupted() {
    return interrupted != 0;
}

const volatile std::sig_atomic_t* BackendInterruptFlag() {
    return &interrupted;
}
