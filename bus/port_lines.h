// SPDX-License-Identifier: MIT
// poort: the port library that switches and senses the serial port's modem lines.
// RTS drives SCL, DTR drives SDA (1 = released), CTS senses SDA.
#pragma once

#include <cstdint>

extern "C" {
// Opens the port named in the settings text, e.g. "COM1:9600,N,8,1". 0 = not opened.
std::int16_t OPENCOM(const char* settings);
// Closes the port. Harmless when it never opened or is already closed.
void CLOSECOM();
void DTR(int level);
void RTS(int level);
// 1 while the data line is high.
std::int16_t CTS();
}
