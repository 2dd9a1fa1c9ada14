// SPDX-License-Identifier: MIT
// The end of the failure box: the serial ports this PC has, and how to start Kolvaner on
// another one or without hardware.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "port/serial/serial_ports.h"

// A port to show in an example: the first of the ports that is not failed_port; with none,
// COM3 (/dev/ttyUSB0 on Linux), or COM4 (/dev/ttyUSB1) when that is the failed one.
// failed_port is as the user named it ("com3", "\\.\COM3" name COM3); empty for none.
std::string ExamplePort(const std::vector<SerialPortInfo>& ports, std::string_view failed_port);

// One line a port, its name and what the system calls it ("COM3 USB Serial Port",
// "/dev/ttyUSB0 usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"), or that there is none; a
// failed port that did open is one this PC has, so then no other was found. Then how to
// choose another port, and how to try Kolvaner on the simulated bus.
std::string PortChoiceText(const std::vector<SerialPortInfo>& ports, std::string_view failed_port,
                           bool failed_port_opened);
