// SPDX-License-Identifier: MIT
// Reads and writes of any device on the bus, in the forms i2cget and i2cset use: a plain
// read, a register read (register select, repeated start, read) and a plain write.
#pragma once

#include <vector>

#include "bus/i2c_bus.h"

// Longest read, as for an SMBus block.
constexpr int kMaxReadBytes = 32;

// A device that stops acknowledging ends the transfer with a stop at once.
constexpr int kAllAcknowledged = -1;
constexpr int kAddressRefused = 0;
// An address above 127 or a count outside 1-kMaxReadBytes: nothing went onto the bus.
constexpr int kNotSent = -2;

struct BusTransfer {
    // kAllAcknowledged, kAddressRefused (in either direction), kNotSent, or n for the n-th
    // byte written after the address (a register number is byte 1).
    int refused = kAllAcknowledged;
    // The bytes read, each acknowledged but the last; empty when something was refused.
    std::vector<BusByte> bytes;
};

// Start, address with the read bit, count bytes, stop.
BusTransfer ReadBytes(const BusByte& address, int count);
// Start, address with the write bit, first_register, repeated start, address with the read
// bit, count bytes, stop.
BusTransfer ReadRegisters(const BusByte& address, const BusByte& first_register, int count);
// Start, address with the write bit, the bytes, stop.
BusTransfer WriteBytes(const BusByte& address, const std::vector<BusByte>& bytes);
