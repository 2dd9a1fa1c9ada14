#include "bus/bus_transfer.h"

#include <stdexcept>
#include <string>

namespace {

constexpr int kHighestAddress = 127;

void CheckAddress(const BusByte& address) {
    if (address > kHighestAddress) {
        throw std::out_of_range("address " + std::to_string(address) +
                                " is not a 7-bit address (0-127)");
    }
}

void CheckCount(int count) {
    if (count < 1 || count > kMaxReadBytes) {
        throw std::out_of_range("cannot read " + std::to_string(count) + " bytes (1-" +
                                std::to_string(kMaxReadBytes) + ")");
    }
}

BusByte WriteAddress(const BusByte& address) {
    return static_cast<BusByte>(address << 1);
}

BusByte ReadAddress(const BusByte& address) {
    return static_cast<BusByte>(address << 1 | 1);
}

BusTransfer Refused(int what) {
    BusStop();
    return {what, {}};
}

// The master acknowledges every byte but the last, so the device sends the next one;
// the not-acknowledge tells it to let go of SDA for the stop.
BusTransfer ReadAfterAddress(int count) {
    BusTransfer transfer;
    for (int index = 1; index <= count; ++index) {
        transfer.bytes.push_back(BusReadByte());
        if (index < count) {
            BusAck();
        } else {
            BusNoAck();
        }
    }
    BusStop();
    return transfer;
}

}  // namespace

BusTransfer ReadBytes(const BusByte& address, int count) {
    CheckAddress(address);
    CheckCount(count);
    BusStart();
    if (!BusWriteByte(ReadAddress(address))) {
        return Refused(kAddressRefused);
    }
    return ReadAfterAddress(count);
}

BusTransfer ReadRegisters(const BusByte& address, const BusByte& first_register, int count) {
    CheckAddress(address);
    CheckCount(count);
    BusStart();
    if (!BusWriteByte(WriteAddress(address))) {
        return Refused(kAddressRefused);
    }
    if (!BusWriteByte(first_register)) {
        return Refused(1);
    }
    BusRepeatedStart();
    if (!BusWriteByte(ReadAddress(address))) {
        return Refused(kAddressRefused);
    }
    return ReadAfterAddress(count);
}

BusTransfer WriteBytes(const BusByte& address, const std::vector<BusByte>& bytes) {
    CheckAddress(address);
    BusStart();
    if (!BusWriteByte(WriteAddress(address))) {
        return Refused(kAddressRefused);
    }
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        if (!BusWriteByte(bytes[index])) {
            return Refused(static_cast<int>(index) + 1);
        }
    }
    BusStop();
    return {};
}
