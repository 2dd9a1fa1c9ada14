// SPDX-License-Identifier: MIT
// Finding the devices on the bus by their address acknowledge.
#pragma once

#include "bus/i2c_bus.h"

// The 7-bit addresses outside this range are reserved and not probed.
constexpr BusByte kFirstScanAddress = 0x08;
constexpr BusByte kLastScanAddress = 0x77;

// One transaction: start, the 7-bit address with the write bit, stop. True when a device
// acknowledged; false with nothing on the bus for an address above 127. A scan calls it
// once per address, so it can stop between transactions.
AckFlag ProbeAddress(const BusByte& address);
