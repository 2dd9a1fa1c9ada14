// SPDX-License-Identifier: MIT
// One-byte input port, e.g. an 8-bit I/O expander whose pins are read with a bare
// one-byte read.
#pragma once

#include "bus/i2c_bus.h"

// The byte on the port's pins at the 7-bit address: 0xFF when nothing answers, or for an
// address of 128 or more, which puts nothing onto the bus. Either way MissedAddress names
// the address.
BusByte ReadInputPort(const BusByte& address);
