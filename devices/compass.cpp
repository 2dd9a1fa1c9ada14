#include "devices/compass.h"

#include <cmath>

#include "bus/i2c_bus.h"

namespace {

constexpr BusByte kCompassWrite = 0xC0;
constexpr BusByte kCompassRead = 0xC1;
constexpr BusByte kBearingHighRegister = 2;

BusByte ReadNextRegister() {
    BusStart();
    BusWriteByte(kCompassRead);
    const BusByte value = BusReadByte();
    BusNoAck();
    BusStop();
    return value;
}

}  // namespace

std::int32_t ReadBearing() {
    BusStart();
    BusWriteByte(kCompassWrite);
    BusWriteByte(kBearingHighRegister);
    BusNoAck();
    BusStop();
    // The module moves its register pointer on after each byte it sends, so the second
    // read gets register 3 without another select.
    const std::int32_t high = ReadNextRegister();
    const std::int32_t low = ReadNextRegister();
    const std::int32_t raw = high * 256 + low;
    // nearbyint rounds in the default mode: to nearest, ties to even (358.5 gives 358).
    return static_cast<std::int32_t>(std::nearbyint(raw / 10.0));
}
