// SPDX-License-Identifier: MIT
// The thermometer: a DS1621-type chip driven by command bytes.
#include <algorithm>
#include <array>

#include "port/sim/sim_devices.h"

namespace {

constexpr std::uint8_t kReadTemperature = 0xAA;
constexpr std::uint8_t kAccessHighLimit = 0xA1;
constexpr std::uint8_t kAccessLowLimit = 0xA2;
constexpr std::uint8_t kAccessConfig = 0xAC;
constexpr std::uint8_t kReadCounter = 0xA8;
constexpr std::uint8_t kReadSlope = 0xA9;
constexpr std::uint8_t kStartConversion = 0xEE;
constexpr std::uint8_t kStopConversion = 0x22;

// Configuration register bits. DONE and NVB are the chip's own; NVB (EEPROM write busy)
// always reads 0 here, since the model stores a byte at once.
constexpr std::uint8_t kDone = 0x80;
constexpr std::uint8_t kHighFlag = 0x40;
constexpr std::uint8_t kLowFlag = 0x20;
constexpr std::uint8_t kPolarity = 0x02;
constexpr std::uint8_t kOneShot = 0x01;

// A conversion reads the temperature as COUNT_PER_C - COUNT_REMAIN sixteenths above
// TEMP_READ - 0.25 degrees; 16 counts per degree keep the arithmetic exact.
constexpr std::uint8_t kCountPerDegree = 16;

// The limits power up at the ends of the chip's range, +125 and -55 degrees, so no alarm
// flag rises until they are set.
constexpr std::uint16_t kPowerUpHighLimit = 0x7D00;
constexpr std::uint16_t kPowerUpLowLimit = 0xC900;

bool IsCommand(std::uint8_t byte) {
    constexpr std::array<std::uint8_t, 8> kCommands = {
        kReadTemperature, kAccessHighLimit, kAccessLowLimit,  kAccessConfig,
        kReadCounter,     kReadSlope,       kStartConversion, kStopConversion,
    };
    return std::ranges::find(kCommands, byte) != kCommands.end();
}

// A temperature or limit register as the 9-bit signed value the chip compares.
int HalfDegrees(std::uint16_t value) {
    return static_cast<std::int16_t>(value & 0xFF80) / 128;
}

// What the model assumes of the chip:
// - the first byte written after the address is a command, and bytes that are not one of
//   the eight commands are not acknowledged, nor is anything after them;
// - after 0xA1 or 0xA2 the next two bytes written are the limit's high and low byte (only
//   the low byte's top bit is kept); after 0xAC the next byte is the configuration, of
//   which POL and 1SHOT are taken and THF and TLF can only be cleared; further bytes, and
//   bytes after the other commands, are not acknowledged;
// - a conversion is over at once and finds the temperature register's set value; DONE
//   reads 0 only while continuous conversion runs, from 0xEE with 1SHOT clear until 0x22;
// - reads hand out the register of the last command: two-byte registers high byte first,
//   the byte pointer carrying over from one read transaction to the next (a second read
//   transaction gets the low byte, a third the high byte again); reads after 0xEE or 0x22
//   get 0xFF.
class SimThermometer final : public SimDevice {
  public:
    explicit SimThermometer(std::uint16_t raw) : SimDevice(0x48), raw_(raw) {}

  protected:
    void Addressed(bool read) override {
        expecting_command_ = !read;
        accepting_data_ = false;
    }

    bool Received(std::uint8_t byte) override {
        if (!expecting_command_) {
            return accepting_data_ && Write(byte);
        }
        expecting_command_ = false;
        if (!IsCommand(byte)) {
            return false;
        }
        command_ = byte;
        low_byte_next_ = false;
        bytes_written_ = 0;
        accepting_data_ = true;
        if (byte == kStartConversion) {
            StartConversion();
        } else if (byte == kStopConversion) {
            converting_ = false;
        }
        return true;
    }

    std::uint8_t NextByteToSend() override {
        switch (command_) {
            case kReadTemperature:
                return NextHalf(raw_);
            case kAccessHighLimit:
                return NextHalf(high_limit_);
            case kAccessLowLimit:
                return NextHalf(low_limit_);
            case kAccessConfig:
                return Configuration();
            case kReadCounter:
                return CountRemain();
            case kReadSlope:
                return kCountPerDegree;
            default:
                return 0xFF;
        }
    }

  private:
    bool Write(std::uint8_t byte) {
        if (command_ == kAccessHighLimit || command_ == kAccessLowLimit) {
            std::uint16_t& limit = command_ == kAccessHighLimit ? high_limit_ : low_limit_;
            if (bytes_written_ == 0) {
                limit = static_cast<std::uint16_t>(byte << 8 | (limit & 0xFF));
            } else if (bytes_written_ == 1) {
                limit = static_cast<std::uint16_t>((limit & 0xFF00) | (byte & 0x80));
            } else {
                return false;
            }
        } else if (command_ == kAccessConfig && bytes_written_ == 0) {
            WriteConfiguration(byte);
        } else {
            return false;
        }
        ++bytes_written_;
        return true;
    }

    void WriteConfiguration(std::uint8_t byte) {
        const std::uint8_t flags_kept = config_ & byte & (kHighFlag | kLowFlag);
        config_ = static_cast<std::uint8_t>(flags_kept | (byte & (kPolarity | kOneShot)));
    }

    void StartConversion() {
        converting_ = (config_ & kOneShot) == 0;
        CompareWithLimits();
    }

    // THF and TLF stay set, once a conversion has found the temperature at or beyond a
    // limit, until they are written 0.
    void CompareWithLimits() {
        if (HalfDegrees(raw_) >= HalfDegrees(high_limit_)) {
            config_ |= kHighFlag;
        }
        if (HalfDegrees(raw_) <= HalfDegrees(low_limit_)) {
            config_ |= kLowFlag;
        }
    }

    std::uint8_t Configuration() {
        if (converting_) {
            // Conversions go on: the latest one has compared too.
            CompareWithLimits();
        }
        return static_cast<std::uint8_t>(config_ | (converting_ ? 0 : kDone));
    }

    // COUNT_REMAIN for the set temperature: 12 sixteenths short of the next degree for a
    // whole degree, 4 with the half-degree bit.
    std::uint8_t CountRemain() const {
        return (raw_ & 0x80) != 0 ? kCountPerDegree / 4 : kCountPerDegree * 3 / 4;
    }

    std::uint8_t NextHalf(std::uint16_t value) {
        const auto half = static_cast<std::uint8_t>(low_byte_next_ ? value & 0xFF : value >> 8);
        low_byte_next_ = !low_byte_next_;
        return half;
    }

    const std::uint16_t raw_;
    std::uint16_t high_limit_ = kPowerUpHighLimit;
    std::uint16_t low_limit_ = kPowerUpLowLimit;
    std::uint8_t config_ = 0;  // THF, TLF, POL and 1SHOT; DONE comes from converting_
    bool converting_ = false;
    std::uint8_t command_ = 0;
    bool expecting_command_ = false;
    bool accepting_data_ = false;
    int bytes_written_ = 0;
    bool low_byte_next_ = false;
};

}  // namespace

std::unique_ptr<SimDevice> MakeSimThermometer(std::uint16_t raw) {
    return std::make_unique<SimThermometer>(raw);
}
