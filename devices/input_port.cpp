#include "devices/input_port.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

constexpr std::int16_t kHighestAddress = 127;

}  // namespace

BusByte ReadInputPort(const BusByte& address) {
    if (address > kHighestAddress) {
        throw std::out_of_range("input port address " + std::to_string(address) +
                                " is not a 7-bit address (0-127)");
    }
    BusStart();
    const auto read_address = static_cast<std::int16_t>(address * 2 + 1);
    BusWriteByte(static_cast<BusByte>(read_address));
    const BusByte value = BusReadByte();
    BusNoAck();
    BusStop();
    return value;
}
