#include "bus/bus_scan.h"

namespace {

// A write probe leaves every device idle; a read probe would make one drive SDA.
AckFlag ProbeAddress(const BusByte& address) {
    BusStart();
    const AckFlag acknowledged = BusWriteByte(static_cast<BusByte>(address << 1));
    BusStop();
    return acknowledged;
}

}  // namespace

std::vector<BusByte> ScanBus() {
    std::vector<BusByte> found;
    for (int address = kFirstScanAddress; address <= kLastScanAddress; ++address) {
        const auto probed = static_cast<BusByte>(address);
        if (ProbeAddress(probed)) {
            found.push_back(probed);
        }
    }
    return found;
}
