#include "bus/bus_scan.h"

// A write probe leaves every device idle; a read probe would make one drive SDA.
AckFlag ProbeAddress(const BusByte& address) {
    BusStart();
    const AckFlag acknowledged = BusWriteByte(static_cast<BusByte>(address << 1));
    BusStop();
    return acknowledged;
}
