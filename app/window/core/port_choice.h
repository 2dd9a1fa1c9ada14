// SPDX-License-Identifier: MIT
// The end of the failure box: the serial ports this PC has, and how to start Kolvaner on
// another one.
#pragma once

#include <string>
#include <vector>

#include "port/serial/serial_ports.h"

// One line a port, its name and what the system calls it ("COM3 USB Serial Port",
// "/dev/ttyUSB0 usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), or that there is none;
// then the line on --port.
std::string PortChoiceText(const std::vector<SerialPortInfo>& ports);
