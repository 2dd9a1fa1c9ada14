// SPDX-License-Identifier: MIT
#include "app/window/core/port_choice.h"

#include <algorithm>
#include <cctype>

namespace {

#ifdef _WIN32
constexpr const char* kExamplePorts[] = {"COM3", "COM4"};
// A shortcut is where a Windows user gives a program its arguments.
constexpr char kWhereToSayIt[] = " (zet dat in een snelkoppeling achter het Doel)";
#else
constexpr const char* kExamplePorts[] = {"/dev/ttyUSB0", "/dev/ttyUSB1"};
constexpr char kWhereToSayIt[] = "";
#endif

// Windows names a port in any case, also as a device path: COM3, com3 and \\.\COM3 are one.
bool SamePort(std::string_view listed, std::string_view named) {
#ifdef _WIN32
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    if (named.substr(0, kDevicePrefix.size()) == kDevicePrefix) {
        named.remove_prefix(kDevicePrefix.size());
    }
    return std::equal(listed.begin(), listed.end(), named.begin(), named.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
#else
    return listed == named;
#endif
}

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

std::string ExamplePort(const std::vector<SerialPortInfo>& ports, std::string_view failed_port) {
    for (const SerialPortInfo& port : ports) {
        if (!SamePort(port.name, failed_port)) {
            return port.name;
        }
    }
    return SamePort(kExamplePorts[0], failed_port) ? kExamplePorts[1] : kExamplePorts[0];
}

std::string PortChoiceText(const std::vector<SerialPortInfo>& ports, std::string_view failed_port,
                           bool failed_port_opened) {
    std::string text;
    if (!ports.empty()) {
        text = "Seriële poorten op deze pc:\n";
    } else if (failed_port_opened) {
        text = "Geen andere seriële poort gevonden.\n";
    } else {
        text = "Deze pc heeft geen seriële poort.\n";
    }
    for (const SerialPortInfo& port : ports) {
        text += PortLine(port) + "\n";
    }
    return text + "Een andere poort kiezen: start Kolvaner met --port " +
           ExamplePort(ports, failed_port) + kWhereToSayIt +
           ".\nZonder hardware proberen: start Kolvaner met --port sim.";
}
