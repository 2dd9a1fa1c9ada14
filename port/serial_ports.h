// The serial ports this machine has, read from /sys or SetupAPI; no device is opened.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct SerialPortInfo {
    std::string name;
    std::string description;
    std::string driver;
};

std::vector<SerialPortInfo> ListSerialPorts();
std::string SerialPortDriver(std::string_view port);
