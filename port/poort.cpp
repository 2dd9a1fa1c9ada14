// SPDX-License-Identifier: MIT
// The port library: the five entry points, on the simulated bus or a real serial port as
// KOLVANER_PORT says, with an optional bus trace (KOLVANER_TRACE).
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "bus/port_lines.h"
#include "port/bus_trace.h"
#include "port/port_settings.h"
#include "port/port_status.h"
#include "port/serial_line.h"
#include "port/sim/sim_bus.h"

namespace {

enum class Backend { closed, serial, simulated };

Backend backend = Backend::closed;
bool port_failed = false;
// The port OPENCOM was last asked for, and what went wrong with it.
std::string port_name;
std::string port_problem;
std::optional<SimBus> sim_bus;
BusTrace trace;
// The levels last asked for, for the trace and to spot the stop condition.
bool scl_level = true;
bool sda_level = true;

bool OpenSimulatedBus(std::string_view port) {
    SimOptions options;
    if (const std::string error = ParseSimPort(port, options); !error.empty()) {
        port_problem = "simulated bus: " + error;
        return false;
    }
    sim_bus.emplace(options);
    backend = Backend::simulated;
    return true;
}

bool OpenDevice(const std::string& device, const PortSettings& settings) {
    port_problem = SerialOpen(device, settings);
    if (!port_problem.empty()) {
        return false;
    }
    backend = Backend::serial;
    return true;
}

// An unplugged adapter fails every call from now on: stop using it, and stop the trace,
// which would only record line changes that never reached the port.
void LineFailed(const char* operation) {
    port_failed = true;
    port_problem = SerialDevice() + ": " + operation + " failed: " + SerialLastError() +
                   "; reading no device from now on";
    trace.Stop(port_problem);
}

}  // namespace

std::int16_t OPENCOM(const char* settings_text) {
    CLOSECOM();
    port_name.clear();
    port_problem.clear();
    trace = BusTrace{};
    PortSettings settings;
    port_problem = ParsePortSettings(settings_text != nullptr ? settings_text : "", settings);
    if (!port_problem.empty()) {
        return 0;
    }
    const char* chosen = std::getenv("KOLVANER_PORT");
    const bool named = chosen != nullptr && *chosen != '\0';
    port_name = named ? chosen : "COM" + std::to_string(settings.port_number);
    const std::string device = named ? chosen : DefaultDevice(settings.port_number);
    const bool simulated = NamesSimulator(device);
    const bool opened = simulated ? OpenSimulatedBus(device) : OpenDevice(device, settings);
    if (!opened) {
        return 0;
    }
    port_failed = false;
    scl_level = simulated ? sim_bus->Clock() : true;
    sda_level = simulated ? sim_bus->Data() : true;
    if (const char* trace_path = std::getenv("KOLVANER_TRACE");
        trace_path != nullptr && *trace_path != '\0') {
        // A misreporting CTS gets its own wire, as a real port's does.
        trace.Open(trace_path, !simulated || sim_bus->CtsMisreports(), scl_level, sda_level);
    }
    return 1;
}

void CLOSECOM() {
    trace.Close();
    if (backend == Backend::serial) {
        SerialClose();
    }
    sim_bus.reset();
    backend = Backend::closed;
}

void DTR(int level) {
    const bool high = level != 0;
    const bool stop_condition = high && !sda_level && scl_level;
    switch (backend) {
        case Backend::closed:
            return;
        case Backend::serial:
            if (!port_failed && !SerialSetDtr(high)) {
                LineFailed("setting DTR");
            }
            break;
        case Backend::simulated:
            sim_bus->SetData(high);
            break;
    }
    sda_level = high;
    if (trace.IsOn()) {
        trace.Data(backend == Backend::simulated ? sim_bus->Data() : high);
        if (stop_condition) {
            trace.Flush();
        }
    }
}

void RTS(int level) {
    const bool high = level != 0;
    switch (backend) {
        case Backend::closed:
            return;
        case Backend::serial:
            if (!port_failed && !SerialSetRts(high)) {
                LineFailed("setting RTS");
            }
            break;
        case Backend::simulated:
            sim_bus->SetClock(high);
            break;
    }
    scl_level = high;
    if (trace.IsOn()) {
        trace.Clock(high, backend == Backend::simulated ? sim_bus->Data() : sda_level);
    }
}

std::int16_t CTS() {
    // A closed or failed port reads as a released line that nobody pulls low.
    std::int16_t level = 1;
    if (backend == Backend::simulated) {
        level = sim_bus->Cts() ? 1 : 0;
    } else if (backend == Backend::serial && !port_failed) {
        const int sampled = SerialCts();
        if (sampled < 0) {
            LineFailed("reading CTS");
        } else {
            level = static_cast<std::int16_t>(sampled);
        }
    }
    if (trace.IsOn() && backend != Backend::closed) {
        trace.DataSample(level == 1);
    }
    return level;
}

bool PortIsOpen() {
    return backend != Backend::closed;
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
