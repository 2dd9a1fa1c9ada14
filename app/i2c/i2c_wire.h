// SPDX-License-Identifier: MIT
// What the preloaded client and kolvaner-cli i2c say to each other. The client finds the
// server through KOLVANER_I2C ("CONTROL_FD BUS SERVER_PID"): on the control socket (a
// SOCK_SEQPACKET socket it inherits) it sends a request with a fresh socket of its own
// attached, and the server answers on that socket with a descriptor: a SOCK_STREAM socket
// that carries one opened /dev/i2c-N, or a memory file holding the /proc/bus/i2c listing.
// On a bus socket each request gets one reply; the state of the opened file (the address,
// as the kernel's i2c_client holds it) lives in the server, so dup'd descriptors and those
// a child inherits across exec share it as they share an i2c-dev file.
#pragma once

#include <linux/i2c-dev.h>
#include <linux/i2c.h>

#include <cstdint>

inline constexpr char kI2cEnvironment[] = "KOLVANER_I2C";

enum class WireKind : std::uint32_t {
    open_bus = 1,
    open_listing = 2,
    ioctl = 3,  // argument: the request number
    read = 4,   // argument: the byte count
    write = 5,  // payload: the bytes
};

struct WireRequest {
    WireKind kind;
    std::uint32_t length;  // payload bytes that follow
    std::uint64_t argument;
};

struct WireReply {
    std::int64_t result;  // >= 0 as the system call returns it, or -errno
    std::uint32_t length;
    std::uint32_t reserved;
};

// I2C_RDWR: the count, then one of these per message, then the bytes of each write message.
// The reply carries, for each read message, a 16-bit length and the bytes read.
struct WireMessage {
    std::uint16_t address;
    std::uint16_t flags;
    std::uint16_t length;
    std::uint8_t first;  // buf[0] of an I2C_M_RECV_LEN read: the bytes besides the data
    std::uint8_t reserved;
};

// I2C_SMBUS: the arguments and the data the kernel copies in; the reply carries the data
// the kernel copies back.
struct WireSmbus {
    std::uint8_t read_write;
    std::uint8_t command;
    std::uint8_t has_data;
    std::uint8_t reserved;
    std::uint32_t size;
    std::uint8_t data[I2C_SMBUS_BLOCK_MAX + 2];
};

// The longest payload a request may have: a full I2C_RDWR.
inline constexpr std::uint32_t kMaxMessageBytes = 8192;
inline constexpr std::uint32_t kMaxWirePayload =
    4 + I2C_RDWR_IOCTL_MAX_MSGS * (sizeof(WireMessage) + kMaxMessageBytes);

// Bytes of union i2c_smbus_data that a transaction of this size uses, and whether the
// kernel copies them in from the caller (drivers/i2c/i2c-dev.c, i2cdev_ioctl_smbus).
constexpr std::uint32_t SmbusDataSize(std::uint32_t size) {
    switch (size) {
        case I2C_SMBUS_BYTE:
        case I2C_SMBUS_BYTE_DATA:
            return 1;
        case I2C_SMBUS_WORD_DATA:
        case I2C_SMBUS_PROC_CALL:
            return 2;
        default:
            return I2C_SMBUS_BLOCK_MAX + 2;
    }
}

constexpr bool SmbusTakesData(std::uint8_t read_write, std::uint32_t size) {
    return size == I2C_SMBUS_PROC_CALL || size == I2C_SMBUS_BLOCK_PROC_CALL ||
           size == I2C_SMBUS_I2C_BLOCK_DATA || read_write == I2C_SMBUS_WRITE;
}
