// SPDX-License-Identifier: MIT
#include "devices/compass.h"

#include <cmath>

#include "bus/i2c_bus.h"

namespace {

constexpr BusByte kCompassAddress = 0x60;
constexpr BusByte kBearingHighRegister = 2;

}  // namespace

std::int32_t ReadBearing() {
    BusStart();
    BusWriteByte(*AddressByte(kCompassAddress, false));
    BusWriteByte(kBearingHighRegister);
    // A not-acknowledge clock between the register byte and the stop, on purpose: the
    // module takes no harm from it.
    BusNoAck();
    BusStop();
    // The module moves its register pointer on after each byte it sends, so the second
    // read gets register 3 without another select.
    const std::int32_t high = BusReadSingleByte(kCompassAddress);
    const std::int32_t low = BusReadSingleByte(kCompassAddress);
    const std::int32_t raw = high * 256 + low;
    // nearbyint rounds in the default mode: to nearest, ties to even (358.5 gives 358).
    return static_cast<std::int32_t>(std::nearbyint(raw / 10.0));
}
