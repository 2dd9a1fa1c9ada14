// SPDX-License-Identifier: MIT
#include "devices/input_port.h"

BusByte ReadInputPort(const BusByte& address) {
    // A bare read: the port answers with its pins, no register or command first.
    return BusReadSingleByte(address);
}
