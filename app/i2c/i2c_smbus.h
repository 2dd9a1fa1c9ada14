// SPDX-License-Identifier: MIT
// I2C messages with the kernel's flags on the bus master, and the SMBus transactions built
// from them as the kernel builds them for an adapter that only does I2C
// (drivers/i2c/i2c-core-smbus.c, i2c_smbus_xfer_emulated).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/i2c/i2c_wire.h"

// One struct i2c_msg: a write's bytes, or a read's length and then the bytes read.
struct I2cMessage {
    std::uint16_t address = 0;
    std::uint16_t flags = 0;
    std::vector<std::uint8_t> bytes;
    std::size_t length = 0;  // read: bytes to read (for I2C_M_RECV_LEN, those besides the data)
};

// As i2c-algo-bit answers: the message count, or -ENXIO when an address is not acknowledged,
// -EIO when a written byte is not (or the port failed), -EPROTO for a block length outside
// 1-32, -EINVAL for a 10-bit or too high address, -EBUSY when a device holds SDA low.
int TransferI2cMessages(std::vector<I2cMessage>& messages);

struct SmbusCall {
    std::uint16_t address = 0;
    std::uint8_t read_write = I2C_SMBUS_READ;
    std::uint8_t command = 0;
    std::uint32_t size = I2C_SMBUS_QUICK;
    std::array<std::uint8_t, I2C_SMBUS_BLOCK_MAX + 2> data{};  // union i2c_smbus_data
    bool pec = false;  // a packet error code after a write, and checked after a read
};

// One SMBus transaction; 0, or -errno as the kernel gives it (-EBADMSG for a wrong PEC). A read
// fills data as the union i2c_smbus_data: the word little-endian on the wire, a block with its
// count first.
int SmbusTransfer(SmbusCall& call);
