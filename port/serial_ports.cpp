#include "port/serial_ports.h"

std::vector<SerialPortInfo> ListSerialPorts() {
    return {};
}

std::string SerialPortDriver(std::string_view) {
    return {};
}
