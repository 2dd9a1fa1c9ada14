// SPDX-License-Identifier: MIT
#include "app/window/core/port_choice.h"

namespace {

#ifdef _WIN32
constexpr char kExamplePort[] = "COM3";
#else
constexpr char kExamplePort[] = "/dev/ttyUSB0";
#endif

// SetupAPI's friendly name ends in the port's name, "USB Serial Port (COM3)": said once.
std::string PortLine(const SerialPortInfo& port) {
    std::string description = port.description;
    const std::string own_name = " (" + port.name + ")";
    if (description.size() >= own_name.size() &&
        description.compare(description.size() - own_name.size(), own_name.size(), own_name) == 0) {
        description.resize(description.size() - own_name.size());
    }
    return description.empty() ? port.name : port.name + " " + description;
}

}  // namespace

std::string PortChoiceText(const std::vector<SerialPortInfo>& ports) {
    std::string text =
        ports.empty() ? "This PC has no serial port.\n" : "Serial ports on this PC:\n";
    for (const SerialPortInfo& port : ports) {
        text += PortLine(port) + "\n";
    }
    return text + "To use another port, start Kolvaner with --port " + kExamplePort + ".";
}
