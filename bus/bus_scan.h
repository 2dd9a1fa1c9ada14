// Finding the devices on the bus by their address acknowledge.
#pragma once

#include <vector>

#include "bus/i2c_bus.h"

// The 7-bit addresses outside this range are reserved and not probed.
constexpr BusByte kFirstScanAddress = 0x08;
constexpr BusByte kLastScanAddress = 0x77;

// Probes each address from kFirstScanAddress to kLastScanAddress with start, the address
// with the write bit, stop; returns the ones that acknowledged, in order.
std::vector<BusByte> ScanBus();
