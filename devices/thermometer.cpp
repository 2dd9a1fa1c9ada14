// SPDX-License-Identifier: MIT
#include "devices/thermometer.h"

#include <cmath>
#include <cstdint>

#include "bus/i2c_bus.h"

namespace {

constexpr BusByte kThermometerAddress = 0x48;
constexpr BusByte kAccessConfig = 0xAC;
constexpr BusByte kStopConversion = 0x22;
constexpr BusByte kStartConversion = 0xEE;
constexpr BusByte kReadTemperature = 0xAA;

// A command byte on its own; the stop follows the command's acknowledge clock directly.
void SendCommand(const BusByte& command) {
    BusStart();
    BusWriteByte(*AddressByte(kThermometerAddress, false));
    BusWriteByte(command);
    BusStop();
}

}  // namespace

double ReadTemperature() {
    SendCommand(kAccessConfig);
    SendCommand(kStopConversion);
    SendCommand(kStartConversion);
    SendCommand(kReadTemperature);
    // The chip hands out the temperature register high byte first, one byte per read.
    const std::int32_t msb = BusReadSingleByte(kThermometerAddress);
    const std::int32_t lsb = BusReadSingleByte(kThermometerAddress);
    const std::int32_t raw = msb * 256 + lsb;
    // raw / 256: the integer part in the high byte, the half-degree bit only rounds.
    const double degrees = static_cast<double>(raw) / 128 * 5 / 10;
    // nearbyint rounds in the default mode: to nearest, ties to even (25.5 gives 26).
    std::int32_t whole = static_cast<std::int32_t>(std::nearbyint(degrees));
    if (msb >= 128) {
        // Two's complement high byte: below zero.
        whole -= 256;
    }
    return whole;
}
