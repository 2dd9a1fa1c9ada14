// SPDX-License-Identifier: MIT
// Descriptors 0-2 for a program that opens a serial port: a program started with one of
// them closed (from a desktop entry, or `>&-`) would give its number to the next open.
#pragma once

// Puts each of descriptors 0-2 that is closed on /dev/null, so the port or the trace
// opened later cannot take its number and receive what the program prints. Call before
// opening anything. Nothing to do on Windows, whose handles are never reused this way.
void KeepStandardDescriptors();
