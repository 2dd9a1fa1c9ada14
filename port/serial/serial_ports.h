// SPDX-License-Identifier: MIT
// The serial ports of this machine and the driver behind each: read from /sys and /dev on
// Linux, from SetupAPI on Windows. Nothing here opens a device.
#pragma once

#include <string>
#include <string_view>
#include <vector>
#ifndef _WIN32
#include <filesystem>
#endif

struct SerialPortInfo {
    // As the user names it: "COM3", "/dev/ttyUSB0".
    std::string name;
    // Windows: SetupAPI's friendly name as given ("USB Serial Port (COM3)"). Linux: the
    // names in /dev/serial/by-id that point at the port, joined by ", "; else empty.
    std::string description;
    // Linux: the kernel's name of the tty's driver (serial8250, serial, ftdi_sio, cp210x,
    // pl2303, ch341-uart, cdc_acm, ...). Windows: the device's service (Serial, FTSER2K,
    // silabser, Ser2pl, Ser2pl64, CH341SER_A64, usbser, ...). Empty when unknown.
    std::string driver;
};

// The serial ports that exist, sorted by name: ttyS before ttyUSB before ttyACM, each by
// number; COM ports by number.
std::vector<SerialPortInfo> ListSerialPorts();

// The driver of the port the user named: a /dev path or a symbolic link to one such as
// /dev/serial/by-id/..., a COMn or \\.\COMn name on Windows. Empty when unknown.
std::string SerialPortDriver(std::string_view port);

#ifndef _WIN32
// For tests on a fake tree: the same, with sysfs read under sys_root and /dev under
// dev_root. Names stay under /dev, and a port named under /dev is looked up under dev_root.
std::vector<SerialPortInfo> ListSerialPortsUnder(const std::filesystem::path& sys_root,
                                                 const std::filesystem::path& dev_root);
std::string SerialPortDriverUnder(std::string_view port, const std::filesystem::path& sys_root,
                                  const std::filesystem::path& dev_root);
#endif
