// SPDX-License-Identifier: MIT
// The client's ioctls, reads and writes on a served descriptor: the arguments taken from the
// caller's memory as the kernel takes them, and the results put back.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/i2c/i2c_client.h"

namespace i2c_client {
namespace {

long ForwardSmbus(int fd, unsigned long request, i2c_smbus_ioctl_data* call) {
    if (call == nullptr) {
        errno = EFAULT;
        return -1;
    }
    WireSmbus wire{call->read_write,
                   call->command,
                   static_cast<std::uint8_t>(call->data != nullptr ? 1 : 0),
                   0,
                   call->size,
                   {}};
    if (call->data != nullptr && call->size <= I2C_SMBUS_I2C_BLOCK_DATA &&
        SmbusTakesData(call->read_write, call->size)) {
        std::memcpy(wire.data, call->data, SmbusDataSize(call->size));
    }
    const WireRequest header{WireKind::ioctl, sizeof wire, request};
    std::uint8_t reply[sizeof wire.data];
    std::size_t length = 0;
    const long result = Forward(fd, header, &wire, reply, sizeof reply, &length);
    if (result >= 0 && call->data != nullptr) {
        std::memcpy(call->data, reply, length);
    }
    return result;
}

// Room for the largest I2C_RDWR, from the heap: a thread's stack may be small.
struct Buffer {
    std::uint8_t* bytes = static_cast<std::uint8_t*>(std::malloc(kMaxWirePayload));
    Buffer() = default;
    ~Buffer() { std::free(bytes); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
};

// I2C_RDWR's own checks, before anything is sent: 0, or the errno for the call.
int CombinedCallError(const i2c_rdwr_ioctl_data* call) {
    if (call == nullptr) {
        return EFAULT;
    }
    if (call->msgs == nullptr || call->nmsgs == 0 || call->nmsgs > I2C_RDWR_IOCTL_MAX_MSGS) {
        return EINVAL;
    }
    return 0;
}

// A message's header; a counted read sends the count's bytes it starts with, in buf[0].
bool PutHeader(const i2c_msg& message, std::uint8_t* payload, std::size_t& used) {
    if (message.len > kMaxMessageBytes) {
        return false;
    }
    const bool counted = (message.flags & I2C_M_RECV_LEN) != 0 && message.len > 0;
    const WireMessage wire{message.addr, message.flags, message.len,
                           counted ? message.buf[0] : std::uint8_t{0}, 0};
    std::memcpy(payload + used, &wire, sizeof wire);
    used += sizeof wire;
    return true;
}

// The call as the server takes it: the count, every message's header, then the bytes of
// every write. False for a message longer than the server takes.
bool PackCombined(const i2c_rdwr_ioctl_data& call, std::uint8_t* payload, std::size_t& used) {
    used = sizeof call.nmsgs;
    std::memcpy(payload, &call.nmsgs, sizeof call.nmsgs);
    for (std::uint32_t index = 0; index < call.nmsgs; ++index) {
        if (!PutHeader(call.msgs[index], payload, used)) {
            return false;
        }
    }
    for (std::uint32_t index = 0; index < call.nmsgs; ++index) {
        const i2c_msg& message = call.msgs[index];
        if ((message.flags & I2C_M_RD) == 0 && message.len > 0) {
            std::memcpy(payload + used, message.buf, message.len);
            used += message.len;
        }
    }
    return true;
}

// Each read's bytes into its buffer: the reply holds, read by read, a length and the bytes.
void TakeReads(const i2c_rdwr_ioctl_data& call, const std::uint8_t* reply, std::size_t length) {
    std::size_t offset = 0;
    for (std::uint32_t index = 0; index < call.nmsgs; ++index) {
        const i2c_msg& message = call.msgs[index];
        std::uint16_t count = 0;
        if ((message.flags & I2C_M_RD) == 0 || offset + sizeof count > length) {
            continue;
        }
        std::memcpy(&count, reply + offset, sizeof count);
        offset += sizeof count;
        std::memcpy(message.buf, reply + offset, std::min<std::size_t>(count, message.len));
        offset += count;
    }
}

long ForwardCombined(int fd, unsigned long request, i2c_rdwr_ioctl_data* call) {
    const int error = CombinedCallError(call);
    if (error != 0) {
        errno = error;
        return -1;
    }
    Buffer payload_buffer;
    Buffer reply_buffer;
    std::uint8_t* payload = payload_buffer.bytes;
    std::uint8_t* reply = reply_buffer.bytes;
    if (payload == nullptr || reply == nullptr) {
        errno = ENOMEM;
        return -1;
    }
    std::size_t used = 0;
    if (!PackCombined(*call, payload, used)) {
        errno = EINVAL;
        return -1;
    }
    const WireRequest header{WireKind::ioctl, static_cast<std::uint32_t>(used), request};
    std::size_t length = 0;
    const long result = Forward(fd, header, payload, reply, kMaxWirePayload, &length);
    if (result >= 0) {
        TakeReads(*call, reply, length);
    }
    return result;
}

}  // namespace

long ForwardIoctl(int fd, unsigned long request, void* argument) {
    switch (request) {
        case I2C_SLAVE:
        case I2C_SLAVE_FORCE:
        case I2C_TENBIT:
        case I2C_PEC:
        case I2C_RETRIES:
        case I2C_TIMEOUT: {
            const auto value = reinterpret_cast<std::uint64_t>(argument);
            return Forward(fd, {WireKind::ioctl, sizeof value, request}, &value, nullptr, 0,
                           nullptr);
        }
        case I2C_FUNCS: {
            std::uint64_t functions = 0;
            const long result = Forward(fd, {WireKind::ioctl, 0, request}, nullptr, &functions,
                                        sizeof functions, nullptr);
            if (result >= 0 && argument == nullptr) {
                errno = EFAULT;
                return -1;
            }
            if (result >= 0) {
                *static_cast<unsigned long*>(argument) = functions;
            }
            return result;
        }
        case I2C_RDWR:
            return ForwardCombined(fd, request, static_cast<i2c_rdwr_ioctl_data*>(argument));
        case I2C_SMBUS:
            return ForwardSmbus(fd, request, static_cast<i2c_smbus_ioctl_data*>(argument));
        default:
            return Forward(fd, {WireKind::ioctl, 0, request}, nullptr, nullptr, 0, nullptr);
    }
}

ssize_t ForwardRead(int fd, void* buffer, std::size_t count) {
    const std::size_t asked = std::min<std::size_t>(count, kMaxMessageBytes);
    return Forward(fd, {WireKind::read, 0, asked}, nullptr, buffer, asked, nullptr);
}

ssize_t ForwardWrite(int fd, const void* buffer, std::size_t count) {
    const auto sent = static_cast<std::uint32_t>(std::min<std::size_t>(count, kMaxMessageBytes));
    return Forward(fd, {WireKind::write, sent, 0}, buffer, nullptr, 0, nullptr);
}

}  // namespace i2c_client
