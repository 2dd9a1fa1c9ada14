// SPDX-License-Identifier: MIT
// Reads and writes of any device on the bus: a combined transfer of messages joined by
// repeated starts, as the kernel's i2c_transfer takes them, and the forms i2cget and i2cset
// use built on it: a plain read, a register read (register select, repeated start, read) and
// a plain write.
#pragma once

#include <cstddef>
#include <vector>

#include "bus/i2c_bus.h"

// Longest read of the plain forms, as for an SMBus block.
constexpr int kMaxReadBytes = 32;

// Why a transfer ended early. A device that stops acknowledging ends it with a stop at once.
enum class Refused {
    none,
    not_sent,    // an address above 127 or a count outside 1-kMaxReadBytes: nothing sent
    address,     // the address, in either direction
    byte,        // a byte written: Refusal::byte says which
    bad_length,  // a read whose first byte gives its length got one outside 1-kMaxReadBytes:
                 // that byte was not acknowledged
};

struct Refusal {
    Refused what = Refused::none;
    int byte = 0;  // Refused::byte: the n-th byte written after the address (a register is 1)

    explicit operator bool() const { return what != Refused::none; }
    bool operator==(const Refusal&) const = default;
};

struct BusTransfer {
    Refusal refused;
    // The bytes read, each acknowledged but the last; empty when something was refused.
    std::vector<BusByte> bytes;
};

// One message of a combined transfer, with the flags of the kernel's struct i2c_msg that a
// bit-banging master honours (include/uapi/linux/i2c.h, drivers/i2c/algos/i2c-algo-bit.c).
struct BusMessage {
    BusByte address = 0;
    bool read = false;
    std::vector<BusByte> bytes;      // written; for a read, what was read
    std::size_t read_count = 0;      // read: bytes to read
    bool length_first = false;       // read: the first byte (1-32) adds that many to read_count
    bool ignore_nak = false;         // go on when the address or a written byte is refused
    bool no_read_ack = false;        // no acknowledge clock after a byte read
    bool no_start = false;           // goes on from the message before: no start, no address
    bool stop_after = false;         // a stop and a fresh start before the next message
    bool reverse_direction = false;  // the R/W bit sent inverted
};

struct MessagesOutcome {
    std::size_t message = 0;  // where it ended when it did not get through
    Refusal refused;          // a byte: counted within that message
};

// Start, each message (its address, then its bytes written or read, every byte read
// acknowledged but the message's last), a repeated start between messages, a stop at the
// end or where a device refused.
MessagesOutcome TransferMessages(std::vector<BusMessage>& messages);

// Start, address with the read bit, count bytes, stop.
BusTransfer ReadBytes(const BusByte& address, int count);
// Start, address with the write bit, first_register, repeated start, address with the read
// bit, count bytes, stop.
BusTransfer ReadRegisters(const BusByte& address, const BusByte& first_register, int count);
// Start, address with the write bit, the bytes, stop.
BusTransfer WriteBytes(const BusByte& address, const std::vector<BusByte>& bytes);
