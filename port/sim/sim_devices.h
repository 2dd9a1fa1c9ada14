// SPDX-License-Identifier: MIT
// The chip models on the simulated bus, each with the register file of the chip it stands
// for.
#pragma once

#include <cstdint>
#include <memory>

#include "port/sim/sim_bus.h"

// Compass module at 0x60; turning moves the bearing on about a degree per bearing read,
// sweep the raw value on by one.
std::unique_ptr<SimDevice> MakeSimCompass(std::uint16_t raw, SimOptions::Compass motion);
// DS1621-type thermometer at 0x48 whose temperature register holds raw.
std::unique_ptr<SimDevice> MakeSimThermometer(std::uint16_t raw);
// Quasi-bidirectional 8-bit expander at 0x20 whose pins are driven to pins from outside.
std::unique_ptr<SimDevice> MakeSimInputPort(std::uint8_t pins);
