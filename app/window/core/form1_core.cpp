// SPDX-License-Identifier: MIT
#include "app/window/core/form1_core.h"

#include <cstdio>

#include "app/process/printable.h"
#include "app/window/core/bearing_text.h"
#include "app/window/core/port_choice.h"
#include "bus/i2c_bus.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "port/port_status.h"
#include "port/serial/serial_ports.h"

namespace {

constexpr BusByte kInputPortAddress = 32;
constexpr int kTestenReadings = 10;
constexpr std::string_view kDefaultPort = "COM1";

void (*problem_echo)(const std::string& line) = nullptr;

// The trace is a developer's tool: a trace that stops is told once, and the window goes on.
void TellTraceProblem(Form1State& form) {
    if (!TraceProblem().empty() && !form.trace_problem_told) {
        form.trace_problem_told = true;
        LogProblem(TraceProblem());
    }
}

}  // namespace

void Form1Load(Form1State& form) {
    form.loaded = true;
    OpenBus();
    TellTraceProblem(form);
}

std::string Form1Timer1Tick(Form1State& form) {
    std::string caption = BearingText(ReadBearing());
    if (PortHasFailed() && !form.port_failure_told) {
        form.port_failure_told = true;
        LogPortProblem();
    }
    TellTraceProblem(form);
    return caption;
}

bool Form1Unload(Form1State& form) {
    if (form.unloaded || !form.loaded) {
        return false;
    }
    form.unloaded = true;
    // No stop condition and no line changed first: the port closes as it is.
    CLOSECOM();
    // Closing the trace writes its last instant, which can fail too.
    TellTraceProblem(form);
    return true;
}

void Form1Testen() {
    for (int reading = 1; reading <= kTestenReadings; ++reading) {
        ReadTemperature();
    }
}

void Form1Meting() {
    ReadTemperature();
    ReadInputPort(kInputPortAddress);
}

std::string PortFailureBoxText(std::string_view bus_text) {
    std::string text(bus_text);
    const std::string& port = PortName();
    if (!port.empty() && port != kDefaultPort &&
        bus_text.substr(0, kDefaultPort.size()) == kDefaultPort) {
        text.replace(0, kDefaultPort.size(), port);
    }
    if (!PortProblem().empty()) {
        text += "\n\n" + PortProblem();
    }
    return text + "\n\n" + PortChoiceText(ListSerialPorts(), port, PortRefusedAfterOpen());
}

void LogProblem(const std::string& problem) {
    const std::string line = "kolvaner: " + Printable(problem) + "\n";
    std::fputs(line.c_str(), stderr);
    if (problem_echo != nullptr) {
        problem_echo(line);
    }
}

void EchoProblemLines(void (*echo)(const std::string& line)) {
    problem_echo = echo;
}

void LogPortProblem() {
    LogProblem(PortProblem());
}
