// SPDX-License-Identifier: MIT
#include "app/i2c/i2c_smbus.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/cli/cli_process.h"
#include "app/process/ending_signals.h"
#include "bus/bus_check.h"
#include "bus/bus_transfer.h"
#include "port/port_status.h"

namespace {

BusMessage OnTheBus(const I2cMessage& message) {
    BusMessage bus;
    bus.address = static_cast<BusByte>(message.address);
    bus.read = (message.flags & I2C_M_RD) != 0;
    bus.bytes = message.bytes;
    bus.read_count = message.length;
    bus.length_first = (message.flags & I2C_M_RECV_LEN) != 0;
    bus.ignore_nak = (message.flags & I2C_M_IGNORE_NAK) != 0;
    bus.no_read_ack = (message.flags & I2C_M_NO_RD_ACK) != 0;
    bus.no_start = (message.flags & I2C_M_NOSTART) != 0;
    bus.stop_after = (message.flags & I2C_M_STOP) != 0;
    bus.reverse_direction = (message.flags & I2C_M_REV_DIR_ADDR) != 0;
    return bus;
}

// With SDA held low every address would seem to answer and every byte read as 0x00.
bool BusIsFree() {
    static bool told = false;
    if (!SdaHeldLow()) {
        return true;
    }
    if (!told) {
        Complain("SDA is held low with the bus idle; try kolvaner-cli recover");
        told = true;
    }
    return false;
}

std::uint16_t Word(const SmbusCall& call) {
    std::uint16_t word = 0;
    std::memcpy(&word, call.data.data(), sizeof word);
    return word;
}

void PutWord(SmbusCall& call, const std::vector<std::uint8_t>& bytes) {
    const auto word = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    std::memcpy(call.data.data(), &word, sizeof word);
}

// SMBus PEC: CRC-8 with polynomial x^8 + x^2 + x + 1 over every byte of the transaction,
// address bytes included (SMBus 2.0, 7.4; i2c_smbus_msg_pec in i2c-core-smbus.c).
std::uint8_t MessagePec(std::uint8_t pec, const I2cMessage& message) {
    constexpr std::uint8_t kPolynomial = 0x07;
    const auto crc = [](std::uint8_t value, std::uint8_t byte) {
        value ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            value = static_cast<std::uint8_t>((value & 0x80) != 0 ? (value << 1) ^ kPolynomial
                                                                  : value << 1);
        }
        return value;
    };
    pec = crc(pec, static_cast<std::uint8_t>(message.address << 1 |
                                             ((message.flags & I2C_M_RD) != 0 ? 1 : 0)));
    for (const std::uint8_t byte : message.bytes) {
        pec = crc(pec, byte);
    }
    return pec;
}

bool ValidSize(std::uint32_t size) {
    return size <= I2C_SMBUS_I2C_BLOCK_DATA;
}

// A quick command, or a byte sent or received without a command: one message.
std::vector<I2cMessage> SingleMessage(const SmbusCall& call, bool read) {
    const auto flags = static_cast<std::uint16_t>(read ? I2C_M_RD : 0);
    if (call.size == I2C_SMBUS_QUICK) {
        return {{call.address, flags, {}, 0}};
    }
    return {read ? I2cMessage{call.address, I2C_M_RD, {}, 1}
                 : I2cMessage{call.address, 0, {call.command}, 0}};
}

void AddByteData(const SmbusCall& call, I2cMessage& write, I2cMessage& reply) {
    reply.length = 1;
    write.bytes.push_back(call.data[0]);
}

// The word goes low byte first.
void AddWordData(const SmbusCall& call, I2cMessage& write, I2cMessage& reply) {
    const std::uint16_t word = Word(call);
    reply.length = 2;
    write.bytes.push_back(static_cast<std::uint8_t>(word & 0xff));
    write.bytes.push_back(static_cast<std::uint8_t>(word >> 8));
}

// A block read learns its length from the device; the others use block[0]. False for a
// block longer than 32 bytes.
bool AddBlockData(const SmbusCall& call, bool read, I2cMessage& write, I2cMessage& reply) {
    const auto& block = call.data;
    if (call.size == I2C_SMBUS_BLOCK_DATA && read) {
        reply.length = 1;
        reply.flags |= I2C_M_RECV_LEN;
        return true;
    }
    if (block[0] > I2C_SMBUS_BLOCK_MAX) {
        return false;
    }
    const bool counted = call.size != I2C_SMBUS_I2C_BLOCK_DATA;
    reply.length = counted ? 1 : block[0];
    reply.flags |= counted ? I2C_M_RECV_LEN : 0;
    write.bytes.insert(write.bytes.end(), block.begin() + (counted ? 0 : 1),
                       block.begin() + block[0] + 1);
    return true;
}

// What follows the command byte, and what the reply holds, for each size.
bool AddData(const SmbusCall& call, bool read, I2cMessage& write, I2cMessage& reply) {
    switch (call.size) {
        case I2C_SMBUS_BYTE_DATA:
            AddByteData(call, write, reply);
            return true;
        case I2C_SMBUS_PROC_CALL:
        case I2C_SMBUS_WORD_DATA:
            AddWordData(call, write, reply);
            return true;
        case I2C_SMBUS_BLOCK_DATA:
        case I2C_SMBUS_BLOCK_PROC_CALL:
        case I2C_SMBUS_I2C_BLOCK_DATA:
            return AddBlockData(call, read, write, reply);
        default:
            return true;
    }
}

// The messages of one transaction; false for a block longer than 32 bytes. A read, or a
// process call, writes the command and reads the reply; a write is one message.
bool BuildMessages(const SmbusCall& call, bool& read, std::vector<I2cMessage>& messages) {
    if (call.size == I2C_SMBUS_QUICK || call.size == I2C_SMBUS_BYTE) {
        messages = SingleMessage(call, read);
        return true;
    }
    I2cMessage write{call.address, 0, {call.command}, 0};
    I2cMessage reply{call.address, I2C_M_RD, {}, 0};
    if (!AddData(call, read, write, reply)) {
        return false;
    }
    const bool calls = call.size == I2C_SMBUS_PROC_CALL || call.size == I2C_SMBUS_BLOCK_PROC_CALL;
    if (!calls && read) {
        write.bytes.resize(1);
    }
    messages = {write};
    if (calls || read) {
        messages.push_back(reply);
        read = true;
    }
    return true;
}

void TakeReply(SmbusCall& call, const std::vector<I2cMessage>& messages) {
    const std::vector<std::uint8_t>& bytes = messages.back().bytes;
    switch (call.size) {
        case I2C_SMBUS_BYTE:
        case I2C_SMBUS_BYTE_DATA:
            call.data[0] = bytes[0];
            break;
        case I2C_SMBUS_WORD_DATA:
        case I2C_SMBUS_PROC_CALL:
            PutWord(call, bytes);
            break;
        case I2C_SMBUS_I2C_BLOCK_DATA:
            std::copy(bytes.begin(), bytes.end(), call.data.begin() + 1);
            break;
        default:  // a block with its count first
            std::copy(bytes.begin(), bytes.end(), call.data.begin());
            break;
    }
}

// A size and direction this adapter knows; the old I2C_SMBUS_I2C_BLOCK_BROKEN becomes an
// I2C block, read 32 bytes long.
bool TakeCall(SmbusCall& call) {
    if (!ValidSize(call.size) ||
        (call.read_write != I2C_SMBUS_READ && call.read_write != I2C_SMBUS_WRITE)) {
        return false;
    }
    if (call.size == I2C_SMBUS_I2C_BLOCK_BROKEN) {
        call.size = I2C_SMBUS_I2C_BLOCK_DATA;
        if (call.read_write == I2C_SMBUS_READ) {
            call.data[0] = I2C_SMBUS_BLOCK_MAX;
        }
    }
    return true;
}

bool TakesPec(const SmbusCall& call) {
    return call.pec && call.size != I2C_SMBUS_QUICK && call.size != I2C_SMBUS_I2C_BLOCK_DATA;
}

// The PEC of the write opening the transaction, sent at its end when nothing is read after.
std::uint8_t AddWritePec(std::vector<I2cMessage>& messages) {
    I2cMessage& first = messages.front();
    if ((first.flags & I2C_M_RD) != 0) {
        return 0;
    }
    const std::uint8_t pec = MessagePec(0, first);
    if (messages.size() == 1) {
        first.bytes.push_back(pec);
    }
    return pec;
}

// Takes the PEC byte off the end of the read; false when it does not match the transaction.
bool CheckReadPec(I2cMessage& read, std::uint8_t pec) {
    const std::uint8_t received = read.bytes.back();
    read.bytes.pop_back();
    return received == MessagePec(pec, read);
}

}  // namespace

int TransferI2cMessages(std::vector<I2cMessage>& messages) {
    std::vector<BusMessage> bus;
    for (const I2cMessage& message : messages) {
        if ((message.flags & I2C_M_TEN) != 0 || message.address > 0x7f) {
            return -EINVAL;
        }
        bus.push_back(OnTheBus(message));
    }
    if (PortHasFailed() || LinesStopped()) {
        return -EIO;
    }
    if (!BusIsFree()) {
        return -EBUSY;
    }
    const MessagesOutcome outcome = TransferMessages(bus);
    if (PortHasFailed() || LinesStopped()) {
        return -EIO;
    }
    switch (outcome.refused.what) {
        case Refused::none:
            break;
        case Refused::address:
            return -ENXIO;
        case Refused::bad_length:
            return -EPROTO;
        case Refused::not_sent:
            return -EINVAL;
        case Refused::byte:
            return -EIO;
    }
    for (std::size_t index = 0; index < messages.size(); ++index) {
        if (bus[index].read) {
            messages[index].bytes = bus[index].bytes;
        }
    }
    return static_cast<int>(messages.size());
}

int SmbusTransfer(SmbusCall& call) {
    if (!TakeCall(call)) {
        return -EINVAL;
    }
    bool read = call.read_write == I2C_SMBUS_READ;
    std::vector<I2cMessage> messages;
    if (!BuildMessages(call, read, messages)) {
        return -EINVAL;
    }
    // The PEC goes after a lone write, and comes after a read, covering the write before it.
    const bool with_pec = TakesPec(call);
    const std::uint8_t pec = with_pec ? AddWritePec(messages) : 0;
    const bool checks_pec = with_pec && (messages.back().flags & I2C_M_RD) != 0;
    if (checks_pec) {
        ++messages.back().length;
    }
    const int result = TransferI2cMessages(messages);
    if (result < 0) {
        return result;
    }
    if (checks_pec && !CheckReadPec(messages.back(), pec)) {
        return -EBADMSG;
    }
    if (read && call.size != I2C_SMBUS_QUICK) {
        TakeReply(call, messages);
    }
    return 0;
}
