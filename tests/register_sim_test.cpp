// Register reads and writes of the simulated chips, through the bus transfers: what goes
// onto the wire, and each chip's register file as a master sees it.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "bus/bus_transfer.h"
#include "tests/support/bus_session.h"

namespace {

using Bytes = std::vector<int>;

Bytes Read(const BusTransfer& transfer) {
    return {transfer.bytes.begin(), transfer.bytes.end()};
}

// Each write a transaction of its own; every byte must be acknowledged.
void WriteAll(BusByte address, const std::vector<std::vector<BusByte>>& writes) {
    for (const std::vector<BusByte>& bytes : writes) {
        ASSERT_EQ(WriteBytes(address, bytes).refused, kAllAcknowledged);
    }
}

// The thermometer's high limit set to +80 degrees, and the same with a byte too many.
const std::vector<BusByte> kSetHighLimit = {0xA1, 0x50, 0x00};
const std::vector<BusByte> kOneByteTooMany = {0xA1, 0x50, 0x00, 0x00};

TEST(BusTransferOnSimulatedBus, TrafficAndResultOfEachForm) {
    const struct {
        const char* port;
        BusTransfer (*transfer)();
        const char* traffic;
        int refused;
        Bytes bytes;
    } cases[] = {
        {"sim:compass=450",
         [] { return ReadRegisters(0x60, 2, 2); },
         "S C0A 02A Sr C1A 01A C2N P",
         kAllAcknowledged,
         {0x01, 0xC2}},
        {"sim:inport=0x3C",
         [] { return ReadBytes(0x20, 3); },
         "S 41A 3CA 3CA 3CN P",
         kAllAcknowledged,
         {0x3C, 0x3C, 0x3C}},
        {"sim",
         [] { return WriteBytes(0x48, kSetHighLimit); },
         "S 90A A1A 50A 00A P",
         kAllAcknowledged,
         {}},
        {"sim", [] { return WriteBytes(0x20, {}); }, "S 40A P", kAllAcknowledged, {}},
        {"sim", [] { return ReadRegisters(0x50, 0, 1); }, "S A0N P", kAddressRefused, {}},
        {"sim", [] { return ReadBytes(0x50, 1); }, "S A1N P", kAddressRefused, {}},
        {"sim", [] { return WriteBytes(0x50, {1}); }, "S A0N P", kAddressRefused, {}},
        {"sim", [] { return ReadRegisters(0x48, 0x00, 1); }, "S 90A 00N P", 1, {}},
        {"sim", [] { return WriteBytes(0x48, kOneByteTooMany); }, "S 90A A1A 50A 00A 00N P", 4, {}},
    };
    for (const auto& c : cases) {
        BusTransfer transfer;
        const std::vector<std::string> traffic =
            TrafficWhile(c.port, [&] { transfer = c.transfer(); });
        EXPECT_EQ(traffic, std::vector<std::string>{c.traffic});
        EXPECT_EQ(transfer.refused, c.refused) << c.traffic;
        EXPECT_EQ(Read(transfer), c.bytes) << c.traffic;
    }
}

TEST(BusTransferOnSimulatedBus, BadArgumentsAreNamedAndNothingGoesOnTheWire) {
    const struct {
        void (*transfer)();
        const char* named;
    } cases[] = {
        {[] { ReadBytes(128, 1); }, "address 128 "},
        {[] { WriteBytes(255, {}); }, "address 255 "},
        {[] { ReadRegisters(0x60, 0, 0); }, "read 0 bytes"},
        {[] { ReadBytes(0x60, 33); }, "read 33 bytes"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> traffic = TrafficWhile("sim", [&] {
            try {
                c.transfer();
                ADD_FAILURE() << "no error for " << c.named;
            } catch (const std::out_of_range& error) {
                EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos)
                    << error.what();
            }
        });
        EXPECT_TRUE(traffic.empty()) << c.named;
    }
}

TEST(CompassRegisters, ConsecutiveRegistersFromTheOneSelected) {
    const struct {
        const char* port;
        BusByte first;
        int count;
        Bytes bytes;
    } cases[] = {
        {"sim:compass=3599", 0, 4, {14, 255, 0x0E, 0x0F}},  // revision, byte bearing, word
        {"sim:compass=450", 1, 3, {32, 0x01, 0xC2}},        // 450 * 256 / 3600 = 32
        {"sim:compass=450", 3, 1, {0xC2}},                  // the word's low byte alone
        {"sim:compass=3599", 4, 12, Bytes(12, 0)},          // test, unused and calibrate registers
        {"sim:compass=3599", 0xFE, 4, {0, 0, 14, 255}},     // the pointer wraps round
    };
    for (const auto& c : cases) {
        BusSession session(c.port);
        EXPECT_EQ(Read(ReadRegisters(0x60, c.first, c.count)), c.bytes)
            << c.port << " register " << int{c.first};
    }
}

TEST(ThermometerRegisters, CommandsReadAndWriteTheRegisterFile) {
    const struct {
        const char* why;
        std::vector<std::vector<BusByte>> writes;
        BusByte command;
        int count;
        Bytes bytes;
    } cases[] = {
        {"temperature", {}, 0xAA, 2, {0xE7, 0x80}},
        {"temperature read on", {}, 0xAA, 4, {0xE7, 0x80, 0xE7, 0x80}},
        {"high limit at power-up, +125", {}, 0xA1, 2, {0x7D, 0x00}},
        {"low limit at power-up, -55", {}, 0xA2, 2, {0xC9, 0x00}},
        {"high limit written", {{0xA1, 0x50, 0x00}}, 0xA1, 2, {0x50, 0x00}},
        {"low byte keeps its half-degree bit", {{0xA2, 0xF6, 0xFF}}, 0xA2, 2, {0xF6, 0x80}},
        {"slope", {}, 0xA9, 1, {16}},
        {"nothing to read after start conversion", {}, 0xEE, 1, {0xFF}},
    };
    for (const auto& c : cases) {
        BusSession session("sim:thermo=0xE780");
        WriteAll(0x48, c.writes);
        EXPECT_EQ(Read(ReadRegisters(0x48, c.command, c.count)), c.bytes) << c.why;
    }
}

// Configuration bits: DONE 0x80, THF 0x40, TLF 0x20, POL 0x02, 1SHOT 0x01.
TEST(ThermometerRegisters, ConfigurationFollowsConversionsAndLimits) {
    const std::vector<BusByte> one_shot = {0xAC, 0x01};
    const struct {
        const char* why;
        int raw;
        std::vector<std::vector<BusByte>> writes;
        int configuration;
    } cases[] = {
        {"idle at power-up", 0x1980, {}, 0x80},
        {"converting on and on", 0x1980, {{0xEE}}, 0x00},
        {"conversion stopped", 0x1980, {{0xEE}, {0x22}}, 0x80},
        {"one shot done", 0x1980, {one_shot, {0xEE}}, 0x81},
        {"only POL and 1SHOT written", 0x1980, {{0xAC, 0xFF}}, 0x83},
        {"at the high limit", 0x1980, {one_shot, {0xA1, 0x19, 0x80}, {0xEE}}, 0xC1},
        {"half a degree below it", 0x1900, {one_shot, {0xA1, 0x19, 0x80}, {0xEE}}, 0x81},
        {"at the low limit", 0x1980, {one_shot, {0xA2, 0x19, 0x80}, {0xEE}}, 0xA1},
        {"signed below zero", 0xE700, {one_shot, {0xA2, 0xEC, 0x00}, {0xEE}}, 0xA1},
        {"THF written 0", 0x1980, {one_shot, {0xA1, 0x19, 0x00}, {0xEE}, one_shot}, 0x81},
        {"THF written 1", 0x1980, {one_shot, {0xA1, 0x19, 0x00}, {0xEE}, {0xAC, 0x41}}, 0xC1},
    };
    for (const auto& c : cases) {
        BusSession session("sim:thermo=" + std::to_string(c.raw));
        WriteAll(0x48, c.writes);
        EXPECT_EQ(Read(ReadRegisters(0x48, 0xAC, 1)), Bytes{c.configuration}) << c.why;
    }
}

TEST(ThermometerRegisters, CounterAndSlopeGiveTheTemperatureByTheDatasheetFormula) {
    for (const int raw : {0x1900, 0x1980, 0xE780, 0xFF80, 0x0080, 0x7D00}) {
        BusSession session("sim:thermo=" + std::to_string(raw));
        const Bytes temperature = Read(ReadRegisters(0x48, 0xAA, 1));
        const Bytes remain = Read(ReadRegisters(0x48, 0xA8, 1));
        const Bytes per_degree = Read(ReadRegisters(0x48, 0xA9, 1));
        ASSERT_EQ(temperature.size() + remain.size() + per_degree.size(), 3U);
        // TEMP_READ: the high byte in two's complement, the half-degree bit dropped.
        const int whole = temperature[0] < 128 ? temperature[0] : temperature[0] - 256;
        const double precise =
            whole - 0.25 + static_cast<double>(per_degree[0] - remain[0]) / per_degree[0];
        EXPECT_EQ(precise, static_cast<std::int16_t>(raw) / 256.0) << "raw " << raw;
    }
}

TEST(ThermometerRegisters, WritesOnlyWhatARegisterHoldsAreAcknowledged) {
    const struct {
        std::vector<BusByte> bytes;
        int refused;
    } cases[] = {
        {{0xA1, 0x50, 0x00}, kAllAcknowledged},
        {{0xA2, 0x50, 0x00, 0x00}, 4},
        {{0xAC, 0x01, 0x00}, 3},
        {{0xAA, 0x19}, 2},  // the temperature is read-only
        {{0xEE, 0x00}, 2},
        {{0x00, 0x00}, 1},  // no such command
    };
    for (const auto& c : cases) {
        BusSession session("sim");
        EXPECT_EQ(WriteBytes(0x48, c.bytes).refused, c.refused) << "command " << int{c.bytes[0]};
    }
}

TEST(InputPortPins, LatchesAtZeroPullPinsLow) {
    const struct {
        const char* port;
        std::vector<std::vector<BusByte>> writes;
        Bytes bytes;
    } cases[] = {
        {"sim:inport=0x5A", {}, {0x5A, 0x5A}},  // latches power up at 1
        {"sim:inport=0xFF", {{0x0F}}, {0x0F, 0x0F}},
        {"sim:inport=0x5A", {{0xF0}}, {0x50, 0x50}},
        {"sim:inport=0x00", {{0xFF}}, {0x00, 0x00}},        // a latch at 1 only lets the pin go
        {"sim:inport=0xFF", {{0x00, 0x81}}, {0x81, 0x81}},  // the last byte written counts
    };
    for (const auto& c : cases) {
        BusSession session(c.port);
        WriteAll(0x20, c.writes);
        EXPECT_EQ(Read(ReadBytes(0x20, 2)), c.bytes) << c.port;
    }
}

}  // namespace
