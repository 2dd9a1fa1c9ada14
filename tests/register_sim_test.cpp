// SPDX-License-Identifier: MIT
// Register reads and writes of the simulated chips, through the bus transfers: what goes
// onto the wire, and each chip's register file as a master sees it.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "bus/bus_transfer.h"
#include "tests/support/bus_session.h"

namespace {

using Bytes = std::vector<int>;

Bytes Read(const BusTransfer& transfer) {
    return {transfer.bytes.begin(), transfer.bytes.end()};
}

constexpr int kPlainRead = -1;

// A register read from first on, or a plain read.
BusTransfer ReadFrom(BusByte address, int first, int count) {
    return first == kPlainRead ? ReadBytes(address, count)
                               : ReadRegisters(address, static_cast<BusByte>(first), count);
}

// On a chip set to value: writes, each a transaction of its own in which every byte must be
// acknowledged, then as many bytes as expected read from register first (or in a plain read).
struct RegisterCase {
    const char* why;
    const char* value;
    std::vector<std::vector<BusByte>> writes;
    int first;
    Bytes bytes;
};

void ExpectRegisters(const std::string& chip, BusByte address,
                     std::span<const RegisterCase> cases) {
    for (const RegisterCase& c : cases) {
        BusSession session("sim:" + chip + "=" + c.value);
        for (const std::vector<BusByte>& bytes : c.writes) {
            EXPECT_FALSE(WriteBytes(address, bytes).refused) << c.why;
        }
        const BusTransfer read = ReadFrom(address, c.first, static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Read(read), c.bytes) << c.value << ": " << c.why;
    }
}

TEST(BusTransferOnSimulatedBus, ReadsStopAtTheFirstRefusedByte) {
    const struct {
        BusByte address;
        int first;
        int count;
        const char* traffic;
        Refusal refused;
        Bytes bytes;
    } cases[] = {
        {0x60, 2, 2, "S C0A 02A Sr C1A 01A C2N P", {}, {0x01, 0xC2}},
        {0x20, kPlainRead, 3, "S 41A 3CA 3CA 3CN P", {}, {0x3C, 0x3C, 0x3C}},
        {0x50, 0, 1, "S A0N P", {Refused::address}, {}},
        {0x50, kPlainRead, 1, "S A1N P", {Refused::address}, {}},
        {0x48, 0x00, 1, "S 90A 00N P", {Refused::byte, 1}, {}},  // no such thermometer command
    };
    for (const auto& c : cases) {
        BusTransfer transfer;
        const std::vector<std::string> traffic = TrafficWhile("sim:compass=450,inport=0x3C", [&] {
            transfer = ReadFrom(c.address, c.first, c.count);
        });
        EXPECT_EQ(traffic, std::vector<std::string>{c.traffic});
        EXPECT_TRUE(transfer.refused == c.refused) << c.traffic;
        EXPECT_EQ(Read(transfer), c.bytes) << c.traffic;
    }
}

// The thermometer takes only its commands, and after them only what the register holds.
TEST(BusTransferOnSimulatedBus, WritesStopAtTheFirstRefusedByteAndSayWhich) {
    const struct {
        BusByte address;
        std::vector<BusByte> bytes;
        const char* traffic;
        Refusal refused;
    } cases[] = {
        {0x20, {}, "S 40A P", {}},
        {0x50, {1}, "S A0N P", {Refused::address}},
        {0x48, {0xAA, 0x19}, "S 90A AAA 19N P", {Refused::byte, 2}},
        {0x48, {0xAC, 0x01, 0x00}, "S 90A ACA 01A 00N P", {Refused::byte, 3}},
        {0x48, {0xA1, 0x50, 0x00, 0x00}, "S 90A A1A 50A 00A 00N P", {Refused::byte, 4}},
    };
    for (const auto& c : cases) {
        Refusal refused;
        const std::vector<std::string> traffic =
            TrafficWhile("sim", [&] { refused = WriteBytes(c.address, c.bytes).refused; });
        EXPECT_EQ(traffic, std::vector<std::string>{c.traffic});
        EXPECT_TRUE(refused == c.refused) << c.traffic;
    }
}

TEST(BusTransferOnSimulatedBus, BadArgumentsAreRefusedAndNothingGoesOnTheWire) {
    const struct {
        BusTransfer (*transfer)();
        const char* what;
    } cases[] = {
        {[] { return ReadBytes(128, 1); }, "address 128"},
        {[] { return WriteBytes(255, {}); }, "address 255"},
        {[] { return ReadRegisters(0x80, 0, 1); }, "address 0x80"},
        {[] { return ReadRegisters(0x60, 0, 0); }, "read 0 bytes"},
        {[] { return ReadBytes(0x60, 33); }, "read 33 bytes"},
    };
    for (const auto& c : cases) {
        BusTransfer transfer;
        const std::vector<std::string> traffic =
            TrafficWhile("sim", [&] { transfer = c.transfer(); });
        EXPECT_EQ(transfer.refused.what, Refused::not_sent) << c.what;
        EXPECT_TRUE(transfer.bytes.empty()) << c.what;
        EXPECT_TRUE(traffic.empty()) << c.what;
    }
}

// Combined transfers with the flags of the kernel's struct i2c_msg, as i2c-algo-bit puts them
// on the wire.
TEST(BusTransferOnSimulatedBus, MessagesJoinedByRepeatedStartsAndShapedByTheirFlags) {
    auto write = [](BusByte address, std::vector<BusByte> bytes) {
        return BusMessage{address, false, std::move(bytes)};
    };
    auto read = [](BusByte address, std::size_t count) {
        return BusMessage{address, true, {}, count};
    };
    BusMessage stop_after = write(0x60, {2});
    stop_after.stop_after = true;
    BusMessage goes_on = write(0x48, {0x50, 0x00});
    goes_on.no_start = true;
    BusMessage ignored = write(0x50, {1});
    ignored.ignore_nak = true;
    BusMessage counted = read(0x20, 1);
    counted.length_first = true;
    BusMessage reversed = read(0x20, 1);
    reversed.reverse_direction = true;
    const struct {
        const char* port;
        std::vector<BusMessage> messages;
        std::vector<std::string> traffic;
        MessagesOutcome outcome;
        Bytes last_read;
    } cases[] = {
        {"sim:compass=450",
         {write(0x60, {2}), read(0x60, 2)},
         {"S C0A 02A Sr C1A 01A C2N P"},
         {2, {}},
         {0x01, 0xC2}},
        {"sim:compass=450",
         {stop_after, read(0x60, 2)},
         {"S C0A 02A P", "S C1A 01A C2N P"},
         {2, {}},
         {0x01, 0xC2}},
        {"sim", {write(0x48, {0xA1}), goes_on}, {"S 90A A1A 50A 00A P"}, {2, {}}, {}},
        {"sim", {ignored}, {"S A0N 01N P"}, {1, {}}, {}},
        {"sim:compass=450",
         {write(0x60, {2}), read(0x50, 1)},
         {"S C0A 02A Sr A1N P"},
         {1, {Refused::address}},
         {}},
        // The first byte read is the count of those that follow, as in an SMBus block.
        {"sim:inport=0x03", {counted}, {"S 41A 03A 03A 03A 03N P"}, {1, {}}, {3, 3, 3, 3}},
        {"sim:inport=0x00", {counted}, {"S 41A 00N P"}, {0, {Refused::bad_length}}, {0}},
        {"sim:inport=0x21", {counted}, {"S 41A 21N P"}, {0, {Refused::bad_length}}, {0x21}},
        // The write bit for a read: the port takes the released SDA as a byte written to it.
        {"sim", {reversed}, {"S 40A FFA P"}, {1, {}}, {0xFF}},
        {"sim", {write(0x60, {2}), read(0x80, 1)}, {}, {0, {Refused::not_sent}}, {}},
    };
    for (const auto& c : cases) {
        std::vector<BusMessage> messages = c.messages;
        MessagesOutcome outcome;
        const std::vector<std::string> traffic =
            TrafficWhile(c.port, [&] { outcome = TransferMessages(messages); });
        const std::string what = c.traffic.empty() ? "nothing" : c.traffic.back();
        EXPECT_EQ(traffic, c.traffic) << what;
        EXPECT_EQ(outcome.message, c.outcome.message) << what;
        EXPECT_TRUE(outcome.refused == c.outcome.refused) << what;
        EXPECT_EQ(Bytes(messages.back().bytes.begin(), messages.back().bytes.end()),
                  c.last_read.empty()
                      ? Bytes(c.messages.back().bytes.begin(), c.messages.back().bytes.end())
                      : c.last_read)
            << what;
    }
}

TEST(CompassRegisters, ConsecutiveRegistersFromTheOneSelected) {
    const RegisterCase cases[] = {
        {"revision, byte bearing, word", "3599", {}, 0, {14, 255, 0x0E, 0x0F}},
        {"450 * 256 / 3600 = 32", "450", {}, 1, {32, 0x01, 0xC2}},
        {"test, unused and calibrate registers", "3599", {}, 4, Bytes(12, 0)},
        {"the pointer wraps round", "3599", {}, 0xFE, {0, 0, 14, 255}},
        {"pointer set by a write, read on", "1800", {{0}}, kPlainRead, {14, 128, 0x07, 0x08, 0}},
    };
    ExpectRegisters("compass", 0x60, cases);
}

// Configuration bits: DONE 0x80, THF 0x40, TLF 0x20, POL 0x02, 1SHOT 0x01. Counter and slope
// give the temperature as TEMP_READ - 0.25 + (COUNT_PER_C - COUNT_REMAIN) / COUNT_PER_C.
TEST(ThermometerRegisters, CommandsReadAndWriteTheRegisterFile) {
    const std::vector<BusByte> one_shot = {0xAC, 0x01};
    const RegisterCase cases[] = {
        {"temperature", "0xE780", {}, 0xAA, {0xE7, 0x80}},
        {"high limit at power-up, +125", "0", {}, 0xA1, {0x7D, 0x00}},
        {"low limit at power-up, -55", "0", {}, 0xA2, {0xC9, 0x00}},
        {"high limit written", "0", {{0xA1, 0x50, 0x00}}, 0xA1, {0x50, 0x00}},
        {"low byte keeps its half-degree bit", "0", {{0xA2, 0xF6, 0xFF}}, 0xA2, {0xF6, 0x80}},
        {"slope", "0", {}, 0xA9, {16}},
        {"25 - 0.25 + (16 - 12) / 16 = 25.0", "0x1900", {}, 0xA8, {12}},
        {"-25 - 0.25 + (16 - 4) / 16 = -24.5", "0xE780", {}, 0xA8, {4}},
        {"idle at power-up", "0x1980", {}, 0xAC, {0x80}},
        {"converting on and on", "0x1980", {{0xEE}}, 0xAC, {0x00}},
        {"conversion stopped", "0x1980", {{0xEE}, {0x22}}, 0xAC, {0x80}},
        {"one shot done", "0x1980", {one_shot, {0xEE}}, 0xAC, {0x81}},
        {"only POL and 1SHOT written", "0x1980", {{0xAC, 0xFF}}, 0xAC, {0x83}},
        {"at the high limit", "0x1980", {one_shot, {0xA1, 0x19, 0x80}, {0xEE}}, 0xAC, {0xC1}},
        {"half a degree below", "0x1900", {one_shot, {0xA1, 0x19, 0x80}, {0xEE}}, 0xAC, {0x81}},
        {"at the low limit", "0x1980", {one_shot, {0xA2, 0x19, 0x80}, {0xEE}}, 0xAC, {0xA1}},
        {"signed below zero", "0xE700", {one_shot, {0xA2, 0xEC, 0x00}, {0xEE}}, 0xAC, {0xA1}},
        {"THF cleared", "0x1980", {one_shot, {0xA1, 0x19, 0}, {0xEE}, one_shot}, 0xAC, {0x81}},
        {"THF kept", "0x1980", {one_shot, {0xA1, 0x19, 0}, {0xEE}, {0xAC, 0x41}}, 0xAC, {0xC1}},
    };
    ExpectRegisters("thermo", 0x48, cases);
}

TEST(InputPortPins, LatchesAtZeroPullPinsLow) {
    const RegisterCase cases[] = {
        {"latches power up at 1", "0x5A", {}, kPlainRead, {0x5A, 0x5A}},
        {"pins and latches", "0x5A", {{0xF0}}, kPlainRead, {0x50, 0x50}},
        {"a latch at 1 only lets the pin go", "0x00", {{0xFF}}, kPlainRead, {0x00, 0x00}},
        {"the last byte written counts", "0xFF", {{0x00, 0x81}}, kPlainRead, {0x81, 0x81}},
    };
    ExpectRegisters("inport", 0x20, cases);
}

}  // namespace
