// SPDX-License-Identifier: MIT
#include "bus/bus_transfer.h"

namespace {

bool CountFits(int count) {
    return count >= 1 && count <= kMaxReadBytes;
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
    const std::optional<BusByte> read_address = AddressByte(address, true);
    if (!read_address || !CountFits(count)) {
        return {kNotSent, {}};
    }
    BusStart();
    if (!BusWriteByte(*read_address)) {
        return Refused(kAddressRefused);
    }
    return ReadAfterAddress(count);
}

BusTransfer ReadRegisters(const BusByte& address, const BusByte& first_register, int count) {
    const std::optional<BusByte> write_address = AddressByte(address, false);
    const std::optional<BusByte> read_address = AddressByte(address, true);
    if (!write_address || !read_address || !CountFits(count)) {
        return {kNotSent, {}};
    }
    BusStart();
    if (!BusWriteByte(*write_address)) {
        return Refused(kAddressRefused);
    }
    if (!BusWriteByte(first_register)) {
        return Refused(1);
    }
    BusRepeatedStart();
    if (!BusWriteByte(*read_address)) {
        return Refused(kAddressRefused);
    }
    return ReadAfterAddress(count);
}

BusTransfer WriteBytes(const BusByte& address, const std::vector<BusByte>& bytes) {
    const std::optional<BusByte> write_address = AddressByte(address, false);
    if (!write_address) {
        return {kNotSent, {}};
    }
    BusStart();
    if (!BusWriteByte(*write_address)) {
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
