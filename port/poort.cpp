// SPDX-License-Identifier: MIT
// The port library: the five entry points, on the simulated bus or a real serial port as
// the configuration handed over says, paced to its clock, with an optional bus trace.
#include <csignal>
#include <optional>
#include <string>
#include <utility>

#include "bus/port_lines.h"
#include "port/cts_self_test.h"
#include "port/pacing/paced_lines.h"
#include "port/port_backend.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/trace/bus_trace.h"

namespace {

constexpr char kNoCts[] =
    "this adapter does not report CTS, so the bus cannot be read back; adapters with an "
    "FTDI, CP210x, PL2303 or CH340 chip do";

// The one port behind the entry points: what the next OPENCOM opens, and what the last one
// opened, measured and found wrong.
struct OpenPort {
    std::optional<PortConfig> config;
    std::string name;
    std::string problem;
    bool failed = false;
    // Opened, then found that the bus cannot work through it.
    bool refused = false;
    PortTiming timing;
    BusTrace trace;
    std::optional<PacedLines> lines;
    // The levels last asked for, to spot the start and stop conditions and for a real
    // port's trace.
    bool scl = true;
    bool sda = true;
    // No transaction under way: opened, or the last one ended with its stop.
    bool idle = true;
    // A start from an idle bus was kept back after HoldNewTransactions.
    bool held = false;

    // What the open measured, with what the calls took so far.
    PortTiming Timing() const {
        PortTiming found = timing;
        if (lines) {
            found.line_call_ns = lines->LineCallNs();
            found.cts_call_ns = lines->CtsCallNs();
            found.pacing = lines->Pacing();
        }
        return found;
    }

    // What the calls took stays for PortTimingFound once the port is closed.
    void Close() {
        timing = Timing();
        trace.Close();
        OpenPortBackend().Close();
        lines.reset();
    }

    bool InUse() const { return lines && !failed && !held && !BackendInterrupted(); }

    // An unplugged adapter fails every call from now on: stop using it, and stop the
    // trace, which would only record line changes that never reached the port.
    void LineFailed(const char* operation) {
        failed = true;
        problem = name + ": " + operation + " failed: " + lines->Backend().LastError() +
                  "; reading no device from now on";
        trace.Stop(problem);
    }

    // Puts the lines idle and measures how CTS follows DTR; false, with problem saying why,
    // when the bus cannot be used through this port.
    bool TestAdapter() {
        const std::int64_t half_period = HalfPeriodNs(config->clock_khz);
        const CtsSelfTest test = TestCts(*lines, kLongestCtsFollowNs);
        timing.driver = lines->Backend().Driver();
        timing.adapter = AdapterOfDriver(timing.driver);
        timing.cts_latency_ns = test.latency_ns;
        if (test.interrupted) {
            problem = "testing CTS on " + name + ": interrupted";
            return false;
        }
        if (test.call_failed) {
            problem = "cannot use " + name + ": " + lines->Backend().LastError();
            return false;
        }
        if (test.answer == CtsAnswer::stuck_high) {
            problem = "cannot use " + name + ": " + CtsAnswerText(test.answer) + ": " + kNoCts;
            return false;
        }
        lines->SetPacing({half_period, CtsWaitNs(timing.adapter, test.latency_ns)});
        return true;
    }

    // Opens the port and tests the adapter; empty problem when it can be used.
    void Open(const PortSettings& settings) {
        if (!config) {
            config = PortConfigFromEnvironment();
        }
        name = !config->port.empty() ? config->port : "COM" + std::to_string(settings.port_number);
        PortBackend& backend = OpenPortBackend();
        problem = config->Problem().empty() ? backend.Open(*config, settings) : config->Problem();
        if (!problem.empty()) {
            return;
        }
        lines.emplace(backend, LinePacing{HalfPeriodNs(config->clock_khz), 0});
        if (!TestAdapter()) {
            refused = true;
            Close();
            return;
        }
        backend.Settle(scl, sda);
        if (!config->trace.empty()) {
            trace.Open(config->trace, backend.CtsHasOwnWire(), scl, sda, BackendInterruptFlag());
            backend.TraceLines(trace, scl, sda);
        }
    }
};

OpenPort port;
volatile std::sig_atomic_t transactions_held = 0;

}  // namespace

void ConfigurePort(const PortConfig& config) {
    port.config = config;
}

std::int16_t OPENCOM(const char* settings_text) {
    CLOSECOM();
    OpenPort fresh;
    fresh.config = port.config;
    port = std::move(fresh);
    transactions_held = 0;
    PortSettings settings;
    port.problem = ParsePortSettings(settings_text != nullptr ? settings_text : "", settings);
    if (port.problem.empty()) {
        port.Open(settings);
    }
    return port.lines ? 1 : 0;
}

void CLOSECOM() {
    if (port.lines) {
        PortBackend& backend = port.lines->Backend();
        if (port.trace.IsOn() && backend.Simulated() != nullptr) {
            backend.Settle(port.scl, port.sda);
            backend.TraceLines(port.trace, port.scl, port.sda);
        }
        // The system drops DTR and RTS as the port closes, in no set order: SCL goes first,
        // so SDA falls with the clock low and no start condition reaches the chips. Also
        // after an interruption, which left the lines wherever they were.
        if (!port.failed && backend.Simulated() == nullptr) {
            port.lines->SetLine(Line::rts, false);
            port.lines->SetLine(Line::dtr, false);
        }
    }
    port.Close();
}

void DTR(int level) {
    if (!port.InUse()) {
        return;
    }
    const bool high = level != 0;
    const bool stop_condition = high && !port.sda && port.scl;
    const bool start_condition = !high && port.sda && port.scl;
    if (start_condition && port.idle && transactions_held != 0) {
        port.held = true;
        return;
    }
    if (start_condition || stop_condition) {
        port.idle = stop_condition;
    }
    if (!port.lines->SetLine(Line::dtr, high)) {
        port.LineFailed("setting DTR");
        return;
    }
    port.sda = high;
    bool scl = port.scl;
    bool sda = port.sda;
    if (stop_condition) {
        port.lines->Backend().Settle(scl, sda);
    }
    port.lines->Backend().TraceLines(port.trace, port.scl, port.sda);
    if (stop_condition) {
        port.trace.Flush();
    }
}

void RTS(int level) {
    if (!port.InUse()) {
        return;
    }
    const bool high = level != 0;
    if (!port.lines->SetLine(Line::rts, high)) {
        port.LineFailed("setting RTS");
        return;
    }
    port.scl = high;
    port.lines->Backend().TraceLines(port.trace, port.scl, port.sda);
}

std::int16_t CTS() {
    // A closed or failed port reads as a released line that nobody pulls low.
    if (!port.InUse()) {
        return 1;
    }
    const int sampled = port.lines->Cts();
    if (sampled < 0) {
        port.LineFailed("reading CTS");
        return 1;
    }
    PortBackend& backend = port.lines->Backend();
    backend.TraceLines(port.trace, port.scl, port.sda);
    if (port.trace.IsOn()) {
        port.trace.DataSample(backend.Now(), sampled == 1);
    }
    return static_cast<std::int16_t>(sampled);
}

bool PortIsOpen() {
    return port.lines.has_value();
}

bool PortHasFailed() {
    return port.failed;
}

bool PortRefusedAfterOpen() {
    return port.refused;
}

const std::string& PortName() {
    return port.name;
}

const std::string& PortProblem() {
    return port.problem;
}

const std::string& TraceProblem() {
    return port.trace.Problem();
}

PortTiming PortTimingFound() {
    return port.Timing();
}

void InterruptLineOperations() {
    BackendInterrupt();
}

void HoldNewTransactions() {
    transactions_held = 1;
}

bool PortHeldTransaction() {
    return port.held;
}
