// SPDX-License-Identifier: MIT
#include "app/i2c/i2c_dev.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "app/i2c/i2c_smbus.h"

namespace {

constexpr std::uint64_t kHighest7BitAddress = 0x7f;
constexpr std::uint64_t kHighest10BitAddress = 0x3ff;

I2cAnswer Error(int error) {
    return {-error, {}};
}

template <typename Value>
bool Take(std::span<const std::uint8_t>& payload, Value& value) {
    if (payload.size() < sizeof value) {
        return false;
    }
    std::memcpy(&value, payload.data(), sizeof value);
    payload = payload.subspan(sizeof value);
    return true;
}

template <typename Value>
void Put(std::vector<std::uint8_t>& payload, const Value& value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    payload.insert(payload.end(), bytes, bytes + sizeof value);
}

// I2C_SLAVE, I2C_SLAVE_FORCE: no kernel driver here holds an address, so both just set it.
I2cAnswer SetAddress(I2cFileState& file, std::uint64_t address) {
    if (address > kHighest10BitAddress || (!file.ten_bit && address > kHighest7BitAddress)) {
        return Error(EINVAL);
    }
    file.address = static_cast<std::uint16_t>(address);
    return {};
}

// How many bytes a message moves first: an I2C_M_RECV_LEN read starts with the count's
// bytes in message.first and room for the largest block after them (i2cdev_ioctl_rdwr).
bool FirstLength(const WireMessage& message, std::size_t& length) {
    length = message.length;
    if ((message.flags & I2C_M_RECV_LEN) == 0) {
        return true;
    }
    if ((message.flags & I2C_M_RD) == 0 || message.length < 1 || message.first < 1 ||
        message.length < message.first + I2C_SMBUS_BLOCK_MAX) {
        return false;
    }
    length = message.first;
    return true;
}

// One message of I2C_RDWR, a write's bytes taken from the payload.
bool TakeMessage(const WireMessage& message, std::span<const std::uint8_t>& payload,
                 std::vector<I2cMessage>& messages) {
    std::size_t length = 0;
    if (message.length > kMaxMessageBytes || !FirstLength(message, length)) {
        return false;
    }
    I2cMessage& added = messages.emplace_back(I2cMessage{message.address, message.flags, {}});
    if ((message.flags & I2C_M_RD) != 0) {
        added.length = length;
        return true;
    }
    if (payload.size() < length) {
        return false;
    }
    added.bytes.assign(payload.begin(), payload.begin() + static_cast<long>(length));
    payload = payload.subspan(length);
    return true;
}

// The count, the messages' headers, then the bytes of every write.
bool TakeMessages(std::span<const std::uint8_t> payload, std::vector<I2cMessage>& messages) {
    std::uint32_t count = 0;
    if (!Take(payload, count) || count == 0 || count > I2C_RDWR_IOCTL_MAX_MSGS) {
        return false;
    }
    std::vector<WireMessage> wire(count);
    for (WireMessage& message : wire) {
        if (!Take(payload, message)) {
            return false;
        }
    }
    for (const WireMessage& message : wire) {
        if (!TakeMessage(message, payload, messages)) {
            return false;
        }
    }
    return true;
}

// The messages' count, and each read's length followed by its bytes.
I2cAnswer ReadsAnswer(const std::vector<I2cMessage>& messages) {
    I2cAnswer answer{static_cast<std::int64_t>(messages.size()), {}};
    for (const I2cMessage& message : messages) {
        if ((message.flags & I2C_M_RD) != 0) {
            Put(answer.payload, static_cast<std::uint16_t>(message.bytes.size()));
            answer.payload.insert(answer.payload.end(), message.bytes.begin(), message.bytes.end());
        }
    }
    return answer;
}

// i2cdev_ioctl_rdwr's checks, then one combined transfer.
I2cAnswer CombinedTransfer(std::span<const std::uint8_t> payload) {
    std::vector<I2cMessage> messages;
    if (!TakeMessages(payload, messages)) {
        return Error(EINVAL);
    }
    const int result = TransferI2cMessages(messages);
    if (result < 0) {
        return Error(-result);
    }
    return ReadsAnswer(messages);
}

I2cAnswer Smbus(const I2cFileState& file, std::span<const std::uint8_t> payload) {
    WireSmbus call{};
    if (!Take(payload, call)) {
        return Error(EINVAL);
    }
    SmbusCall smbus{file.address, call.read_write, call.command, call.size, {}, file.pec};
    std::memcpy(smbus.data.data(), call.data, smbus.data.size());
    const bool needs_data = !(call.size == I2C_SMBUS_QUICK ||
                              (call.size == I2C_SMBUS_BYTE && call.read_write == I2C_SMBUS_WRITE));
    if (needs_data && call.has_data == 0) {
        return Error(EINVAL);
    }
    const int result = SmbusTransfer(smbus);
    if (result < 0) {
        return Error(-result);
    }
    I2cAnswer answer;
    const bool copies_back = call.size == I2C_SMBUS_PROC_CALL ||
                             call.size == I2C_SMBUS_BLOCK_PROC_CALL ||
                             call.read_write == I2C_SMBUS_READ;
    if (needs_data && copies_back) {
        answer.payload.assign(smbus.data.begin(), smbus.data.begin() + SmbusDataSize(call.size));
    }
    return answer;
}

I2cAnswer Ioctl(I2cFileState& file, std::uint64_t number, std::span<const std::uint8_t> payload) {
    std::uint64_t value = 0;
    switch (number) {
        case I2C_SLAVE:
        case I2C_SLAVE_FORCE:
            return Take(payload, value) ? SetAddress(file, value) : Error(EINVAL);
        case I2C_TENBIT:
            // 10-bit addresses are not built: only switching them off is taken.
            return Take(payload, value) && value == 0 ? I2cAnswer{} : Error(EINVAL);
        case I2C_PEC:
            if (!Take(payload, value)) {
                return Error(EINVAL);
            }
            file.pec = value != 0;
            return {};
        case I2C_RETRIES:
        case I2C_TIMEOUT:
            return Take(payload, value) && value <= INT_MAX ? I2cAnswer{} : Error(EINVAL);
        case I2C_FUNCS: {
            I2cAnswer answer;
            Put(answer.payload, I2cFunctionality());
            return answer;
        }
        case I2C_RDWR:
            return CombinedTransfer(payload);
        case I2C_SMBUS:
            return Smbus(file, payload);
        default:
            return Error(ENOTTY);
    }
}

// read() and write(): one plain message to the address of I2C_SLAVE, at most 8192 bytes.
I2cAnswer PlainMessage(const I2cFileState& file, bool read, std::vector<std::uint8_t> bytes,
                       std::size_t count) {
    std::vector<I2cMessage> messages(1);
    messages[0] = {file.address, static_cast<std::uint16_t>(read ? I2C_M_RD : 0), std::move(bytes),
                   std::min<std::size_t>(count, kMaxMessageBytes)};
    if (!read && messages[0].bytes.size() > kMaxMessageBytes) {
        messages[0].bytes.resize(kMaxMessageBytes);
    }
    const int result = TransferI2cMessages(messages);
    if (result < 0) {
        return Error(-result);
    }
    if (read) {
        return {static_cast<std::int64_t>(messages[0].bytes.size()), messages[0].bytes};
    }
    return {static_cast<std::int64_t>(messages[0].bytes.size()), {}};
}

}  // namespace

std::uint64_t I2cFunctionality() {
    return I2C_FUNC_I2C | I2C_FUNC_NOSTART | I2C_FUNC_PROTOCOL_MANGLING | I2C_FUNC_SMBUS_QUICK |
           I2C_FUNC_SMBUS_BYTE | I2C_FUNC_SMBUS_BYTE_DATA | I2C_FUNC_SMBUS_WORD_DATA |
           I2C_FUNC_SMBUS_PROC_CALL | I2C_FUNC_SMBUS_BLOCK_DATA | I2C_FUNC_SMBUS_BLOCK_PROC_CALL |
           I2C_FUNC_SMBUS_I2C_BLOCK | I2C_FUNC_SMBUS_PEC;
}

I2cAnswer AnswerI2cRequest(I2cFileState& file, const WireRequest& request,
                           std::span<const std::uint8_t> payload) {
    switch (request.kind) {
        case WireKind::ioctl:
            return Ioctl(file, request.argument, payload);
        case WireKind::read:
            return PlainMessage(file, true, {}, request.argument);
        case WireKind::write:
            return PlainMessage(file, false, {payload.begin(), payload.end()}, 0);
        case WireKind::open_bus:
        case WireKind::open_listing:
            break;  // on the control socket only
    }
    return Error(EINVAL);
}
