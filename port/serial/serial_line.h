// SPDX-License-Identifier: MIT
// The operating system's serial port, used only for its modem lines. One port at a time.
// What the port last set each line to and why a call failed is kept the same way on every
// system (serial_line_state.cpp); each system's code opens, closes and calls the system.
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
// DTR drives SDA, RTS drives SCL.
enum class Line { dtr, rts };

// Each is one system call; false, or -1 for CTS, when it failed, the system's reason then
// taken for SerialFailure.
bool SerialSetLine(Line line, bool high);
// 1 when CTS is on, 0 when off.
int SerialCts();
// The system's reason for the last line or CTS call that failed since the open, captured
// at that call; empty while none has.
const std::string& SerialFailure();

// For each system's serial code. Its one call that sets a line on the device being opened
// or open: empty on success, otherwise the system's reason. Its pause between lowering SCL
// and SDA.
std::string SystemSetLine(Line line, bool high);
void PauseBetweenLines();
// Both lines as the open leaves them, high, and no call failed yet.
void ForgetLineState();
// Lowers SCL, then SDA, where they are not low already; nothing once a call has failed.
void LowerLines();
// Keeps the system's reason for a CTS call that failed.
void LineCallFailed(std::string reason);
