// I2C bus master bit-banged on the serial port's modem lines.
// Idle: RTS = 1, DTR = 1. Inside a transfer: RTS = 0, DTR as the last operation left it.
#pragma once

#include <cstdint>
#include <optional>

using BusByte = std::uint8_t;
// True when the addressed device pulled SDA low during the acknowledge clock.
using AckFlag = bool;

// Opens COM1 and sets the lines idle; tells the user when the port is not there.
void OpenBus();

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

// The first address byte written since ForgetMissedAddress that no device acknowledged:
// a front end that reports missing devices looks here after a transaction, without a
// line operation of its own.
std::optional<BusByte> MissedAddress();
void ForgetMissedAddress();

// Busy wait between raising the clock and sampling or lowering it.
void SettleDelay(const std::int16_t& count);
