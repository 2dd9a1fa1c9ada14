// SPDX-License-Identifier: MIT
// The kernel's i2c-dev interface (drivers/i2c/i2c-dev.c) on the bus master: one opened
// /dev/i2c-N, its ioctls, read and write, as the preloaded client forwards them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/i2c/i2c_wire.h"

// What the kernel keeps per open file: the address of I2C_SLAVE, the 10-bit and PEC flags.
struct I2cFileState {
    std::uint16_t address = 0;
    bool ten_bit = false;
    bool pec = false;
};

struct I2cAnswer {
    std::int64_t result = 0;  // as the system call returns it, or -errno
    std::vector<std::uint8_t> payload;
};

// What I2C_FUNCS reports: plain I2C with the flags a bit-banging master honours, and every
// SMBus transaction built from I2C messages as the kernel emulates them, with PEC; no 10-bit
// addresses.
std::uint64_t I2cFunctionality();

// Carries out one request on the bus. Nothing goes onto the bus for a request the kernel
// refuses before it starts a transfer.
I2cAnswer AnswerI2cRequest(I2cFileState& file, const WireRequest& request,
                           std::span<const std::uint8_t> payload);
