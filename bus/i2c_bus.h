// SPDX-License-Identifier: MIT
// I2C bus master bit-banged on the serial port's modem lines.
// Idle: RTS = 1, DTR = 1. Inside a transfer: RTS = 0, DTR as the last operation left it.
//
// How the bus layer reports failure. Nothing here throws or prints: each operation answers
// in its result (an AckFlag; nothing for an address with no address byte; a Refusal for a
// transfer, bus/bus_transfer.h: what was refused and, for a byte, which). What a device
// reader cannot return (nobody answered) is kept for MissedAddress. A port that failed is
// the port layer's to tell (port/port_status.h): the lines then read released. The one
// up-call is OpenBus's message when the port does not open (bus/message_box.h).
#pragma once

#include <cstdint>
#include <optional>

using BusByte = std::uint8_t;
// True when the addressed device pulled SDA low during the acknowledge clock.
using AckFlag = bool;

// Opens COM1 and sets the lines idle; tells the user when the port is not there.
void OpenBus();

// Bytes go in by reference throughout, on purpose, and no operation writes one.
void BusStart();
// A start inside a transaction, with no stop before it: the bus stays the master's, and a
// register selected in the write part is read in the part that follows.
void BusRepeatedStart();
void BusStop();
void BusAck();
void BusNoAck();
AckFlag BusWriteByte(const BusByte& value);
// Eight data clocks and no acknowledge: the caller follows with BusAck or BusNoAck.
BusByte BusReadByte();

// The byte a 7-bit address goes onto the bus as: the address shifted left, the R/W bit
// (1 = read) below it. Nothing for an address above 127, which has none.
std::optional<BusByte> AddressByte(const BusByte& address, bool read);

// One byte from the device at the 7-bit address, in a transaction of its own: start, the
// address byte with the read bit, eight data clocks, the not-acknowledge clock, stop. The
// acknowledge is not looked at: nobody answering reads 0xFF, and MissedAddress tells. An
// address above 127 puts nothing onto the bus, reads 0xFF and is a missed address too.
BusByte BusReadSingleByte(const BusByte& address);

// The 7-bit address of the first transaction since ForgetMissedAddress whose address byte
// no device acknowledged (or that had none): a front end that reports missing devices looks
// here after a transaction, without a line operation of its own.
std::optional<BusByte> MissedAddress();
void ForgetMissedAddress();

// One CTS sample: true when SDA reads high, which only an exact 1 from CTS() means.
bool SdaReadsHigh();

// Busy wait between raising the clock and sampling or lowering it; every wait is one pass.
constexpr std::int16_t kOnePass = 1;
void SettleDelay(const std::int16_t& count);
