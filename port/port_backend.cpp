// SPDX-License-Identifier: MIT
#include "port/port_backend.h"

#include <thread>

#include "port/serial/serial_ports.h"
#include "port/trace/bus_trace.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Below this a wait spins on the clock: a sleep's wake-up comes tens of microseconds late.
constexpr std::int64_t kLongestSpinNs = 2'000'000;
// A long wait sleeps in slices, so an interruption ends it.
constexpr std::chrono::milliseconds kSleepSlice{10};

}  // namespace

std::string PortBackend::Open(const PortConfig& config, const PortSettings& settings) {
    Close();
    interrupted = 0;
    host_ = HostPace();
    if (config.sim) {
        OpenSimulated(*config.sim, true);
        return {};
    }
    const std::string port =
        !config.port.empty() ? config.port : DefaultDevice(settings.port_number);
    std::string problem = SerialOpen(port, settings);
    serial_open_ = problem.empty();
    driver_ = serial_open_ ? SerialPortDriver(port) : "";
    return problem;
}

void PortBackend::OpenSimulated(const SimOptions& options, bool follow_host) {
    Close();
    sim_bus_.emplace(options);
    follow_host_ = follow_host;
    host_ = HostPace();
    driver_ = DriverName(*options.adapter);
}

void PortBackend::Close() {
    if (serial_open_) {
        SerialClose();
    }
    serial_open_ = false;
    sim_bus_.reset();
}

bool PortBackend::SetLine(Line line, bool high) {
    if (!sim_bus_) {
        return SerialSetLine(line, high);
    }
    if (line == Line::dtr) {
        sim_bus_->SetData(high);
    } else {
        sim_bus_->SetClock(high);
    }
    return true;
}

int PortBackend::Cts() {
    if (sim_bus_) {
        return sim_bus_->Cts() ? 1 : 0;
    }
    return SerialCts();
}

const std::string& PortBackend::LastError() const {
    return SerialFailure();
}

std::int64_t PortBackend::Now() {
    if (!sim_bus_) {
        return host_.Elapsed();
    }
    return follow_host_ ? host_.CatchUp(*sim_bus_) : sim_bus_->Now();
}

std::int64_t PortBackend::AfterCall() {
    return sim_bus_ ? sim_bus_->Now() : host_.Elapsed();
}

void PortBackend::WaitUntil(std::int64_t time) {
    if (sim_bus_) {
        Now();
        sim_bus_->WaitUntil(time);
        return;
    }
    for (std::int64_t now = Now(); now < time && interrupted == 0; now = Now()) {
        if (time - now > kLongestSpinNs) {
            std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                kSleepSlice, std::chrono::nanoseconds(time - now - kLongestSpinNs)));
        }
    }
}

void PortBackend::Settle(bool& scl, bool& sda) {
    if (sim_bus_) {
        Now();
        sim_bus_->Settle();
        scl = sim_bus_->Clock();
        sda = sim_bus_->Data();
    }
}

void PortBackend::TraceLines(BusTrace& trace, bool scl, bool sda) {
    if (!sim_bus_) {
        if (trace.IsOn()) {
            trace.Lines(Now(), scl, sda);
        }
        return;
    }
    // Once a trace has stopped, the bus keeps no more pin changes for it.
    sim_bus_->KeepPinChanges(trace.IsOn());
    for (const PinChange& change : sim_bus_->TakePinChanges()) {
        trace.Lines(change.time, change.scl, change.sda);
    }
}

PortBackend& OpenPortBackend() {
    static PortBackend backend;
    return backend;
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
