// SPDX-License-Identifier: MIT
// The operating system's serial port, used only for its modem lines. One port at a time.
#pragma once

#include <string>

#include "port/port_settings.h"

// Opens and configures the device. Empty on success, otherwise one line naming the device
// and the system's reason.
std::string SerialOpen(const std::string& device, const PortSettings& settings);
// Lowers SCL (RTS), then SDA (DTR), where the port did not leave them low, puts the
// previous line settings back without letting them raise either line, and closes the
// device. An open refused once the port was this program's closes the same way.
void SerialClose();
// Each is one system call; false, or -1 for CTS, when it failed, the system's reason then
// taken for SerialFailure.
bool SerialSetDtr(bool high);
bool SerialSetRts(bool high);
// 1 when CTS is on, 0 when off.
int SerialCts();
// The system's reason for the last line or CTS call that failed since the open, captured
// at that call; empty while none has.
const std::string& SerialFailure();
