// SPDX-License-Identifier: MIT
// The port library: the five entry points, on the simulated bus or a real serial port as
// the configuration handed over says, paced to its clock, with an optional bus trace.
#include <string>

#include "bus/port_lines.h"
#include "port/cts_self_test.h"
#include "port/pacing/paced_lines.h"
#include "port/port_backend.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/sim/sim_bus.h"
#include "port/trace/bus_trace.h"

namespace {

bool port_failed = false;
// What the next OPENCOM opens; the port it was last asked for, and what went wrong with it.
PortConfig config;
std::string port_name;
std::string port_problem;
PortTiming timing;
BusTrace trace;
// The levels last asked for, to spot the stop condition and for a real port's trace.
bool scl_level = true;
bool sda_level = true;

// How long CTS may take to follow DTR when the port opens: a CH340 that reports its
// status every few milliseconds is well inside it.
constexpr std::int64_t kCtsFollowLimitNs = 250'000'000;

constexpr char kNoCts[] =
    "this adapter does not report CTS, so the bus cannot be read back; adapters with an "
    "FTDI, CP210x, PL2303 or CH340 chip do";

// An unplugged adapter fails every call from now on: stop using it, and stop the trace,
// which would only record line changes that never reached the port.
void LineFailed(const char* operation) {
    port_failed = true;
    port_problem = port_name + ": " + operation + " failed: " + BackendLastError() +
                   "; reading no device from now on";
    trace.Stop(port_problem);
}

bool LinesInUse() {
    return BackendIsOpen() && !port_failed && !BackendInterrupted();
}

// On the simulated bus the trace shows the pins, as the chips see them; once a trace has
// stopped, the bus keeps no more pin changes for it.
void TraceLines() {
    if (!trace.IsOn()) {
        if (SimBus* bus = BackendSimBus()) {
            bus->KeepPinChanges(false);
        }
        return;
    }
    if (SimBus* bus = BackendSimBus()) {
        for (const PinChange& change : bus->TakePinChanges()) {
            trace.Lines(change.time, change.scl, change.sda);
        }
    } else {
        trace.Lines(BackendNow(), scl_level, sda_level);
    }
}

// Puts the lines idle and measures how CTS follows DTR; false, with port_problem saying
// why, when the bus cannot be used through this port.
bool TestAdapter(int clock_khz) {
    StartPacing({HalfPeriodNs(clock_khz), 0});
    const CtsSelfTest test = TestCts(kCtsFollowLimitNs);
    timing.driver = BackendDriver();
    timing.kind = KindOfDriver(timing.driver);
    timing.cts_latency_ns = test.latency_ns;
    if (test.call_failed) {
        port_problem = "cannot use " + port_name + ": " + BackendLastError();
        return false;
    }
    if (!test.reports_cts) {
        port_problem = "cannot use " + port_name + ": " + kNoCts;
        return false;
    }
    SetPacing({HalfPeriodNs(clock_khz), CtsWaitNs(timing.kind, timing.driver, test.latency_ns)});
    return true;
}

}  // namespace

void ConfigurePort(const PortConfig& new_config) {
    config = new_config;
}

std::int16_t OPENCOM(const char* settings_text) {
    CLOSECOM();
    port_name.clear();
    port_problem.clear();
    timing = PortTiming{};
    trace = BusTrace{};
    PortSettings settings;
    port_problem = ParsePortSettings(settings_text != nullptr ? settings_text : "", settings);
    if (!port_problem.empty()) {
        return 0;
    }
    const std::string chosen = CleanPortName(config.port);
    port_name = !chosen.empty() ? chosen : "COM" + std::to_string(settings.port_number);
    if (!config.problem.empty()) {
        port_problem = config.problem;
        return 0;
    }
    const std::string device = !chosen.empty() ? chosen : DefaultDevice(settings.port_number);
    port_problem = BackendOpen(device, settings);
    if (!port_problem.empty()) {
        return 0;
    }
    if (!TestAdapter(config.clock_khz)) {
        BackendClose();
        return 0;
    }
    port_failed = false;
    SimBus* bus = BackendSimBus();
    if (bus != nullptr) {
        bus->Settle();
    }
    scl_level = bus != nullptr ? bus->Clock() : true;
    sda_level = bus != nullptr ? bus->Data() : true;
    if (!config.trace.empty()) {
        // A misreporting CTS gets its own wire, as a real port's does.
        trace.Open(config.trace, bus == nullptr || bus->CtsMisreports(), scl_level, sda_level,
                   BackendInterruptFlag());
        if (bus != nullptr) {
            bus->KeepPinChanges(trace.IsOn());
        }
    }
    return 1;
}

void CLOSECOM() {
    if (SimBus* bus = BackendSimBus(); bus != nullptr && trace.IsOn()) {
        bus->Settle();
        TraceLines();
    }
    trace.Close();
    // The system drops DTR and RTS as the port closes, in no set order: SCL goes first, so
    // SDA falls with the clock low and no start condition reaches the chips. Also after an
    // interruption, which left the lines wherever they were.
    if (BackendIsOpen() && !port_failed && BackendSimBus() == nullptr) {
        PacedSetLine(Line::rts, false);
        PacedSetLine(Line::dtr, false);
    }
    BackendClose();
}

void DTR(int level) {
    if (!LinesInUse()) {
        return;
    }
    const bool high = level != 0;
    const bool stop_condition = high && !sda_level && scl_level;
    if (!PacedSetLine(Line::dtr, high)) {
        LineFailed("setting DTR");
        return;
    }
    sda_level = high;
    if (stop_condition && BackendSimBus() != nullptr) {
        BackendSimBus()->Settle();
    }
    TraceLines();
    if (stop_condition) {
        trace.Flush();
    }
}

void RTS(int level) {
    if (!LinesInUse()) {
        return;
    }
    const bool high = level != 0;
    if (!PacedSetLine(Line::rts, high)) {
        LineFailed("setting RTS");
        return;
    }
    scl_level = high;
    TraceLines();
}

std::int16_t CTS() {
    // A closed or failed port reads as a released line that nobody pulls low.
    if (!LinesInUse()) {
        return 1;
    }
    const int sampled = PacedCts();
    if (sampled < 0) {
        LineFailed("reading CTS");
        return 1;
    }
    TraceLines();
    if (trace.IsOn()) {
        trace.DataSample(BackendNow(), sampled == 1);
    }
    return static_cast<std::int16_t>(sampled);
}

bool PortIsOpen() {
    return BackendIsOpen();
}

bool PortHasFailed() {
    return port_failed;
}

const std::string& PortName() {
    return port_name;
}

const std::string& PortProblem() {
    return port_problem;
}

const std::string& TraceProblem() {
    return trace.Problem();
}

PortTiming PortTimingFound() {
    PortTiming found = timing;
    found.line_call_ns = LineCallNs();
    found.cts_call_ns = CtsCallNs();
    found.pacing = Pacing();
    return found;
}

void InterruptLineOperations() {
    BackendInterrupt();
}
