// SPDX-License-Identifier: MIT
#include "tests/support/bus_session.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {
std::vector<std::string> messages;
}

void ShowMessageBox(std::string_view text) {
    messages.emplace_back(text);
}

std::vector<std::string> TakeMessages() {
    return std::exchange(messages, {});
}

BusSession::BusSession(const std::string& port, const std::string& trace_path) {
    ConfigurePort(PortConfigFor(port, kDefaultClockKhz, trace_path));
    OpenBus();
}

BusSession::~BusSession() {
    CLOSECOM();
}

std::vector<std::string> TrafficWhile(const std::string& port, const std::function<void()>& body) {
    const std::string path = TempPath("traffic.vcd");
    {
        BusSession session(port, path);
        body();
    }
    const VcdTrace trace = ReadVcd(path);
    std::remove(path.c_str());
    return trace.transactions;
}
