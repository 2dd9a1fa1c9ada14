// SPDX-License-Identifier: MIT
// The SMBus transactions as kolvaner-cli i2c builds them from I2C messages, on the simulated
// bus: what goes onto the wire for each size, and what comes back in union i2c_smbus_data.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "app/i2c/i2c_smbus.h"
#include "tests/support/bus_session.h"

namespace {

using Data = std::vector<int>;

constexpr std::uint8_t kRead = I2C_SMBUS_READ;
constexpr std::uint8_t kWrite = I2C_SMBUS_WRITE;

// "S C0A 00A Sr C1A" and the bytes of registers from 0 on, as a block read's traffic.
std::string CompassFromRegisterZero(int count) {
    const char* bytes[] = {"0EA", "57A", "04A", "D2A"};
    std::string traffic = "S C0A 00A Sr C1A";
    for (int index = 0; index < count; ++index) {
        traffic += " " + std::string(index < 4 ? bytes[index] : "00A");
    }
    traffic.back() = 'N';
    return traffic + " P";
}

TEST(SmbusOnSimulatedBus, EachSizeAsTheKernelBuildsIt) {
    const struct {
        const char* what;
        SmbusCall call;
        int result;
        std::vector<std::string> traffic;
        Data data;  // the first bytes of the data after the call
    } cases[] = {
        {"quick write", {0x48, kWrite, 0, I2C_SMBUS_QUICK, {}}, 0, {"S 90A P"}, {}},
        {"quick write, nobody there",
         {0x50, kWrite, 0, I2C_SMBUS_QUICK, {}},
         -ENXIO,
         {"S A0N P"},
         {}},
        {"receive byte", {0x20, kRead, 0, I2C_SMBUS_BYTE, {}}, 0, {"S 41A 5AN P"}, {0x5a}},
        {"send byte", {0x20, kWrite, 0x0f, I2C_SMBUS_BYTE, {}}, 0, {"S 40A 0FA P"}, {}},
        {"read byte data",
         {0x60, kRead, 0, I2C_SMBUS_BYTE_DATA, {}},
         0,
         {"S C0A 00A Sr C1A 0EN P"},
         {0x0e}},
        {"write byte data",
         {0x48, kWrite, 0xa1, I2C_SMBUS_BYTE_DATA, {0x50}},
         0,
         {"S 90A A1A 50A P"},
         {0x50}},
        {"write byte data, command refused",
         {0x48, kWrite, 0x07, I2C_SMBUS_BYTE_DATA, {0x50}},
         -EIO,
         {"S 90A 07N P"},
         {0x50}},
        // The first byte on the wire is the word's low byte.
        {"read word data",
         {0x60, kRead, 2, I2C_SMBUS_WORD_DATA, {}},
         0,
         {"S C0A 02A Sr C1A 04A D2N P"},
         {0x04, 0xd2}},
        {"write word data",
         {0x48, kWrite, 0xa1, I2C_SMBUS_WORD_DATA, {0x1e, 0x80}},
         0,
         {"S 90A A1A 1EA 80A P"},
         {0x1e, 0x80}},
        {"process call",
         {0x48, kWrite, 0xa1, I2C_SMBUS_PROC_CALL, {0x1e, 0x80}},
         0,
         {"S 90A A1A 1EA 80A Sr 91A 1EA 80N P"},
         {0x1e, 0x80}},
        {"block read: the count, then that many",
         {0x60, kRead, 0, I2C_SMBUS_BLOCK_DATA, {}},
         0,
         {CompassFromRegisterZero(15)},
         {14, 0x57, 0x04, 0xd2, 0}},
        {"block read, count 0",
         {0x60, kRead, 4, I2C_SMBUS_BLOCK_DATA, {}},
         -EPROTO,
         {"S C0A 04A Sr C1A 00N P"},
         {}},
        {"block write: the count first",
         {0x20, kWrite, 0x11, I2C_SMBUS_BLOCK_DATA, {2, 1, 2}},
         0,
         {"S 40A 11A 02A 01A 02A P"},
         {2, 1, 2}},
        {"I2C block read",
         {0x60, kRead, 1, I2C_SMBUS_I2C_BLOCK_DATA, {3}},
         0,
         {"S C0A 01A Sr C1A 57A 04A D2N P"},
         {3, 0x57, 0x04, 0xd2}},
        {"I2C block write: no count",
         {0x20, kWrite, 0x11, I2C_SMBUS_I2C_BLOCK_DATA, {2, 1, 2}},
         0,
         {"S 40A 11A 01A 02A P"},
         {2, 1, 2}},
        {"the old I2C block size reads 32",
         {0x60, kRead, 0, I2C_SMBUS_I2C_BLOCK_BROKEN, {}},
         0,
         {CompassFromRegisterZero(32)},
         {32, 0x0e, 0x57, 0x04, 0xd2}},
        {"I2C block of 33", {0x20, kWrite, 0, I2C_SMBUS_I2C_BLOCK_DATA, {33}}, -EINVAL, {}, {33}},
        {"block write of 33", {0x20, kWrite, 0, I2C_SMBUS_BLOCK_DATA, {33}}, -EINVAL, {}, {33}},
        {"no such size", {0x20, kRead, 0, 9, {}}, -EINVAL, {}, {}},
        {"neither read nor write", {0x20, 2, 0, I2C_SMBUS_BYTE, {}}, -EINVAL, {}, {}},
        // CRC-8 of 90 A1 50.
        {"PEC after a write",
         {0x48, kWrite, 0xa1, I2C_SMBUS_BYTE_DATA, {0x50}, true},
         0,
         {"S 90A A1A 50A 13A P"},
         {0x50}},
        {"PEC the device does not send",
         {0x60, kRead, 0, I2C_SMBUS_BYTE_DATA, {}, true},
         -EBADMSG,
         {"S C0A 00A Sr C1A 0EA 57N P"},
         {}},
    };
    for (const auto& c : cases) {
        SmbusCall call = c.call;
        int result = 1;
        const std::vector<std::string> traffic =
            TrafficWhile("sim:compass=1234,inport=0x5a", [&] { result = SmbusTransfer(call); });
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(traffic, c.traffic) << c.what;
        EXPECT_EQ(Data(call.data.begin(), call.data.begin() + static_cast<long>(c.data.size())),
                  c.data)
            << c.what;
    }
}

}  // namespace
