// SPDX-License-Identifier: MIT
#include "bus/i2c_bus.h"

#include "bus/message_box.h"
#include "bus/port_lines.h"

namespace {

constexpr char kPortSettings[] = "COM1:9600,N,8,1";
constexpr BusByte kHighestAddress = 127;

// What the acknowledges said, for front ends that report a missing device; no line depends
// on it. After a start or a repeated start the next byte written is an address byte.
bool address_next = false;
std::optional<BusByte> missed_address;

// One clock pulse; the device reads (or the master samples) SDA while SCL is high.
void ClockPulse() {
    RTS(1);
    SettleDelay(kOnePass);
    RTS(0);
}

}  // namespace

void OpenBus() {
    if (OPENCOM(kPortSettings) == 0) {
        ShowMessageBox("COM1 niet beschikbaar/aanwezig");
        return;
    }
    // Clock high first, then release data: the bus is idle.
    RTS(1);
    DTR(1);
}

void BusStart() {
    // SDA falls while SCL is high.
    DTR(0);
    RTS(0);
    address_next = true;
}

void BusRepeatedStart() {
    // SDA released while SCL is low, then SCL high: the start needs SDA high to fall from.
    DTR(1);
    RTS(1);
    SettleDelay(kOnePass);
    // SDA falls while SCL is high.
    DTR(0);
    RTS(0);
    address_next = true;
}

void BusStop() {
    RTS(0);
    DTR(0);
    // SDA rises while SCL is high.
    RTS(1);
    DTR(1);
}

void BusAck() {
    RTS(0);
    DTR(0);
    ClockPulse();
}

void BusNoAck() {
    RTS(0);
    DTR(1);
    ClockPulse();
}

AckFlag BusWriteByte(const BusByte& value) {
    AckFlag acknowledged = true;
    // Most significant bit first; SDA changes only while SCL is low.
    for (unsigned mask = 0x80; mask != 0; mask /= 2) {
        DTR((value & mask) == mask ? 1 : 0);
        ClockPulse();
    }
    DTR(1);
    RTS(1);
    SettleDelay(kOnePass);
    if (SdaReadsHigh()) {
        acknowledged = false;
    }
    RTS(0);
    if (address_next && !acknowledged && !missed_address) {
        missed_address = static_cast<BusByte>(value >> 1);
    }
    address_next = false;
    return acknowledged;
}

BusByte BusReadByte() {
    RTS(0);
    DTR(1);
    BusByte value = 0;
    for (unsigned mask = 0x80; mask != 0; mask /= 2) {
        RTS(1);
        SettleDelay(kOnePass);
        if (SdaReadsHigh()) {
            value |= mask;
        }
        RTS(0);
    }
    return value;
}

std::optional<BusByte> AddressByte(const BusByte& address, bool read) {
    if (address > kHighestAddress) {
        return std::nullopt;
    }
    // In 16-bit integers on purpose: address * 2 + 1 fits for any byte, and the check above
    // keeps the result one.
    return static_cast<BusByte>(static_cast<std::int16_t>(address * 2 + (read ? 1 : 0)));
}

BusByte BusReadSingleByte(const BusByte& address) {
    const std::optional<BusByte> read_address = AddressByte(address, true);
    if (!read_address) {
        if (!missed_address) {
            missed_address = address;
        }
        return 0xFF;
    }
    BusStart();
    BusWriteByte(*read_address);
    const BusByte value = BusReadByte();
    BusNoAck();
    BusStop();
    return value;
}

std::optional<BusByte> MissedAddress() {
    return missed_address;
}

void ForgetMissedAddress() {
    missed_address.reset();
}

bool SdaReadsHigh() {
    return CTS() == 1;
}
