// SPDX-License-Identifier: MIT
#include "app/cli/cli_transfers.h"

#include <array>
#include <optional>
#include <vector>

#include "app/process/ending_signals.h"
#include "bus/bus_transfer.h"
#include "port/port_status.h"

namespace {

constexpr int kRegisters = 256;

// Why a transfer gave nothing: the device, and the byte it refused with its position.
std::string RefusalText(const CliCommand& command, const BusTransfer& transfer,
                        const std::vector<BusByte>& written) {
    if (transfer.refused.what == Refused::address) {
        return Formatted("no answer from the device at 0x%02x", command.address);
    }
    if (transfer.refused.what == Refused::not_sent) {
        return Formatted("nothing sent to 0x%02x: address or byte count out of range",
                         command.address);
    }
    return Formatted("the device at 0x%02x did not acknowledge byte %d (0x%02x)", command.address,
                     transfer.refused.byte,
                     written[static_cast<std::size_t>(transfer.refused.byte - 1)]);
}

// A register in the text column: X not acknowledged, '.' for 00 and ff, '?' for other
// unprintable bytes.
char DumpChar(std::optional<BusByte> value) {
    if (!value) {
        return 'X';
    }
    if (*value == 0x00 || *value == 0xFF) {
        return '.';
    }
    return *value < 0x20 || *value >= 0x7F ? '?' : static_cast<char>(*value);
}

// As i2cdump shows it: a row per 16 registers, then the same bytes as text.
std::string DumpGrid(const std::array<std::optional<BusByte>, kRegisters>& registers) {
    std::string grid = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f    0123456789abcdef\n";
    for (int row = 0; row < kRegisters; row += 16) {
        std::string text;
        grid += Formatted("%02x: ", row);
        for (int number = row; number < row + 16; ++number) {
            const std::optional<BusByte> value = registers[static_cast<std::size_t>(number)];
            grid += value ? Formatted("%02x ", *value) : "XX ";
            text += DumpChar(value);
        }
        grid += "   " + text + "\n";
    }
    return grid;
}

}  // namespace

RunOutput GetBytes(const CliCommand& command) {
    std::vector<BusByte> written;
    BusTransfer transfer;
    if (command.first_register) {
        written.push_back(*command.first_register);
        transfer = ReadRegisters(command.address, *command.first_register, command.bytes);
    } else {
        transfer = ReadBytes(command.address, command.bytes);
    }
    if (transfer.refused) {
        return {{}, RefusalText(command, transfer, written)};
    }
    std::string text;
    for (const BusByte byte : transfer.bytes) {
        text += Formatted(text.empty() ? "0x%02x" : " 0x%02x", byte);
    }
    return {text + "\n", {}};
}

RunOutput SetBytes(const CliCommand& command) {
    const BusTransfer transfer = WriteBytes(command.address, command.data);
    if (transfer.refused) {
        return {{}, RefusalText(command, transfer, command.data)};
    }
    return {};
}

RunOutput DumpRegisters(const CliCommand& command) {
    std::array<std::optional<BusByte>, kRegisters> registers{};
    for (int number = 0; number < kRegisters; ++number) {
        if (CaughtSignal() != 0 || PortHasFailed()) {
            return {};
        }
        const auto first_register = static_cast<BusByte>(number);
        const BusTransfer transfer = ReadRegisters(command.address, first_register, 1);
        if (transfer.refused.what == Refused::address ||
            transfer.refused.what == Refused::not_sent) {
            return {{}, RefusalText(command, transfer, {first_register})};
        }
        if (!transfer.refused) {
            registers[static_cast<std::size_t>(number)] = transfer.bytes[0];
        }
    }
    return {DumpGrid(registers), {}};
}
