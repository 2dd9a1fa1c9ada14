// SPDX-License-Identifier: MIT
// What the port's lines go to: the simulated bus or the system's serial port, one at a
// time, and the clock that paces them (simulated time on the simulated bus, kept up with
// the host's in a real-time run; the host's monotonic clock on a real port).
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <optional>
#include <string>

#include "port/port_settings.h"
#include "port/serial/serial_line.h"
#include "port/sim/sim_bus.h"

class BusTrace;

class PortBackend {
  public:
    // Opens the configured port: the simulated bus with its options, the device named, or
    // COMn's. Empty on success, otherwise one line naming the port and the reason.
    std::string Open(const PortConfig& config, const PortSettings& settings);
    // The simulated bus; follow_host false keeps its clock to the calls' costs and waits,
    // the same on every run, true keeps it up with the host's (HostPace).
    void OpenSimulated(const SimOptions& options, bool follow_host);
    void Close();
    // The adapter's driver: Linux's name for it, Windows' service, or the simulated
    // adapter's; empty when unknown.
    const std::string& Driver() const { return driver_; }

    // One system call (or simulated call) each; false, or -1 for CTS, when it failed.
    bool SetLine(Line line, bool high);
    int Cts();
    // The system's reason for the last call that failed, captured at that call (a simulated
    // call never fails).
    const std::string& LastError() const;

    // Nanoseconds since the open (on the simulated bus first caught up with the host, when
    // it follows the host), and a wait until then; once BackendInterrupt has been called a
    // real port's waits end at once.
    std::int64_t Now();
    // The clock as the last call returned: on the simulated bus where the call's cost left
    // it, not caught up with the host, so a call is measured at what it costs.
    std::int64_t AfterCall();
    void WaitUntil(std::int64_t time);

    // For the trace and the close. The levels at the pins once every edge on its way has
    // arrived (a real port: the levels last asked for).
    void Settle(bool& scl, bool& sda);
    // A real port's CTS wire, or a simulated adapter's that reports something else, gets
    // its own wire in the trace.
    bool CtsHasOwnWire() const { return !sim_bus_ || sim_bus_->CtsMisreports(); }
    // The line changes since the last call into the trace: the pins as the chips see them
    // on the simulated bus, the levels asked for on a real port.
    void TraceLines(BusTrace& trace, bool scl, bool sda);
    // The simulated bus, for a benchmark's look at its pins; nullptr on a real port.
    const SimBus* Simulated() const { return sim_bus_ ? &*sim_bus_ : nullptr; }

  private:
    std::optional<SimBus> sim_bus_;
    bool serial_open_ = false;
    std::string driver_;
    bool follow_host_ = false;
    HostPace host_;  // since the open
};

// The backend of the five entry points.
PortBackend& OpenPortBackend();

// Async-signal-safe.
void BackendInterrupt();
bool BackendInterrupted();
// The flag BackendInterrupt sets, for a trace write that must give up on its reader.
const volatile std::sig_atomic_t* BackendInterruptFlag();
