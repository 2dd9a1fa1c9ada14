// SPDX-License-Identifier: MIT
#include "bus/bus_transfer.h"

#include <algorithm>

namespace {

bool CountFits(int count) {
    return count >= 1 && count <= kMaxReadBytes;
}

MessagesOutcome Stopped(std::size_t message, Refusal refusal) {
    BusStop();
    return {message, refusal};
}

// As i2c-algo-bit's sendbytes: a refused byte ends the message unless refusals are ignored.
Refusal WriteMessage(const BusMessage& message) {
    for (std::size_t index = 0; index < message.bytes.size(); ++index) {
        if (!BusWriteByte(message.bytes[index]) && !message.ignore_nak) {
            return {Refused::byte, static_cast<int>(index) + 1};
        }
    }
    return {};
}

// The master acknowledges every byte but the last, so the device sends the next one; the
// not-acknowledge tells it to let go of SDA for the stop or the repeated start.
Refusal ReadMessage(BusMessage& message) {
    message.bytes.clear();
    for (std::size_t index = 0; index < message.read_count; ++index) {
        const BusByte value = BusReadByte();
        message.bytes.push_back(value);
        if (index == 0 && message.length_first) {
            if (value < 1 || value > kMaxReadBytes) {
                BusNoAck();
                return {Refused::bad_length};
            }
            message.read_count += value;
        }
        if (message.no_read_ack) {
            continue;
        }
        if (index + 1 < message.read_count) {
            BusAck();
        } else {
            BusNoAck();
        }
    }
    return {};
}

// The stop and fresh start, or the repeated start, before a message after the first, then
// its address; false when the address was refused and refusals are not ignored.
bool AddressMessage(const std::vector<BusMessage>& messages, std::size_t index) {
    const BusMessage& message = messages[index];
    if (index > 0 && messages[index - 1].stop_after) {
        BusStop();
        BusStart();
    } else if (index > 0) {
        BusRepeatedStart();
    }
    const bool read_bit = message.read != message.reverse_direction;
    return BusWriteByte(*AddressByte(message.address, read_bit)) || message.ignore_nak;
}

}  // namespace

MessagesOutcome TransferMessages(std::vector<BusMessage>& messages) {
    const bool addressable = std::all_of(messages.begin(), messages.end(), [](const auto& m) {
        return AddressByte(m.address, m.read).has_value();
    });
    if (!addressable) {
        return {0, {Refused::not_sent}};
    }
    BusStart();
    for (std::size_t index = 0; index < messages.size(); ++index) {
        BusMessage& message = messages[index];
        if (!message.no_start && !AddressMessage(messages, index)) {
            return Stopped(index, {Refused::address});
        }
        const Refusal refused = message.read ? ReadMessage(message) : WriteMessage(message);
        if (refused) {
            return Stopped(index, refused);
        }
    }
    BusStop();
    return {messages.size(), {}};
}

BusTransfer ReadBytes(const BusByte& address, int count) {
    if (!CountFits(count)) {
        return {{Refused::not_sent}, {}};
    }
    std::vector<BusMessage> messages(1);
    messages[0] = {address, true, {}, static_cast<std::size_t>(count)};
    const MessagesOutcome outcome = TransferMessages(messages);
    if (outcome.refused) {
        return {outcome.refused, {}};
    }
    return {{}, messages[0].bytes};
}

BusTransfer ReadRegisters(const BusByte& address, const BusByte& first_register, int count) {
    if (!CountFits(count)) {
        return {{Refused::not_sent}, {}};
    }
    std::vector<BusMessage> messages(2);
    messages[0] = {address, false, {first_register}};
    messages[1] = {address, true, {}, static_cast<std::size_t>(count)};
    const MessagesOutcome outcome = TransferMessages(messages);
    if (outcome.refused) {
        return {outcome.refused, {}};
    }
    return {{}, messages[1].bytes};
}

BusTransfer WriteBytes(const BusByte& address, const std::vector<BusByte>& bytes) {
    std::vector<BusMessage> messages(1);
    messages[0] = {address, false, bytes};
    const MessagesOutcome outcome = TransferMessages(messages);
    return {outcome.refused, {}};
}
