// One-byte input port, e.g. an 8-bit I/O expander whose pins are read with a bare
// one-byte read.
#pragma once

#include "bus/i2c_bus.h"

// The byte on the port's pins at the 7-bit address (0xFF when nothing answers). An
// address of 128 or more has no 8-bit read address: it throws std::out_of_range naming
// the address before anything goes onto the bus.
BusByte ReadInputPort(const BusByte& address);
