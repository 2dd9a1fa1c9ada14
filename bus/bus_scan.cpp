// SPDX-License-Identifier: MIT
#include "bus/bus_scan.h"

// A write probe leaves every device idle; a read probe would make one drive SDA.
AckFlag ProbeAddress(const BusByte& address) {
    const std::optional<BusByte> write_address = AddressByte(address, false);
    if (!write_address) {
        return false;
    }
    BusStart();
    const AckFlag acknowledged = BusWriteByte(*write_address);
    BusStop();
    return acknowledged;
}
