// Bit-level models of the chips on the simulated bus.
#include <array>
#include <utility>

#include "port/sim/sim_bus.h"

namespace {

// Compass module at 0x60. The first byte written after the address selects a register;
// each byte sent moves the register pointer on. Registers: 0 software revision, 1 bearing
// as 0-255 for a full turn, 2 and 3 bearing in tenths of a degree (high byte first).
class SimCompass final : public SimDevice {
  public:
    SimCompass(std::uint16_t raw, bool turning) : SimDevice(0x60), raw_(raw), turning_(turning) {}

  protected:
    void Addressed(bool read) override { expecting_register_ = !read; }

    bool Received(std::uint8_t byte) override {
        if (expecting_register_) {
            pointer_ = byte;
            expecting_register_ = false;
        }
        return true;
    }

    std::uint8_t NextByteToSend() override {
        const std::uint8_t value = Register(pointer_);
        if (pointer_ == 3 && turning_) {
            // About one degree further on for the next read.
            raw_ = static_cast<std::uint16_t>((raw_ + 10) % 3600);
        }
        pointer_ = static_cast<std::uint8_t>(pointer_ + 1);
        return value;
    }

  private:
    std::uint8_t Register(std::uint8_t number) const {
        switch (number) {
            case 0:
                return kSoftwareRevision;
            case 1:
                return static_cast<std::uint8_t>(raw_ * 256 / 3600);
            case 2:
                return static_cast<std::uint8_t>(raw_ >> 8);
            case 3:
                return static_cast<std::uint8_t>(raw_ & 0xFF);
            default:
                return 0;
        }
    }

    static constexpr std::uint8_t kSoftwareRevision = 14;
    std::uint16_t raw_;
    const bool turning_;
    std::uint8_t pointer_ = 0;
    bool expecting_register_ = false;
};

// DS1621-type thermometer at 0x48. What the model assumes of the chip:
// - the first byte written after the address is a command, and only 0xAC (access
//   configuration), 0x22 (stop conversion), 0xEE (start conversion) and 0xAA (read
//   temperature) are acknowledged; configuration and thresholds are not modelled, so any
//   further byte in the same transaction is not acknowledged;
// - a conversion is always complete: the temperature register holds the set value;
// - after 0xAA, reads hand out the register high byte first, and the byte pointer carries
//   over from one read transaction to the next, so a second read transaction gets the low
//   byte, a third the high byte again; reads after any other command get 0xFF.
class SimThermometer final : public SimDevice {
  public:
    explicit SimThermometer(std::uint16_t raw) : SimDevice(0x48), raw_(raw) {}

  protected:
    void Addressed(bool read) override { expecting_command_ = !read; }

    bool Received(std::uint8_t byte) override {
        const bool known = expecting_command_ && IsCommand(byte);
        expecting_command_ = false;
        if (known) {
            command_ = byte;
            low_byte_next_ = false;
        }
        return known;
    }

    std::uint8_t NextByteToSend() override {
        if (command_ != kReadTemperature) {
            return 0xFF;
        }
        const auto value = static_cast<std::uint8_t>(low_byte_next_ ? raw_ & 0xFF : raw_ >> 8);
        low_byte_next_ = !low_byte_next_;
        return value;
    }

  private:
    static bool IsCommand(std::uint8_t byte) {
        constexpr std::array<std::uint8_t, 4> kCommands = {0xAC, 0x22, 0xEE, kReadTemperature};
        for (const std::uint8_t command : kCommands) {
            if (byte == command) {
                return true;
            }
        }
        return false;
    }

    static constexpr std::uint8_t kReadTemperature = 0xAA;
    const std::uint16_t raw_;
    std::uint8_t command_ = 0;
    bool expecting_command_ = false;
    bool low_byte_next_ = false;
};

// One-byte input port at 0x20, an 8-bit I/O expander read with a bare read: every byte
// read hands out the pin levels. Written bytes are acknowledged and ignored (inputs only).
class SimInputPort final : public SimDevice {
  public:
    explicit SimInputPort(std::uint8_t pins) : SimDevice(0x20), pins_(pins) {}

  protected:
    void Addressed(bool) override {}
    bool Received(std::uint8_t) override { return true; }
    std::uint8_t NextByteToSend() override { return pins_; }

  private:
    const std::uint8_t pins_;
};

}  // namespace

std::vector<std::unique_ptr<SimDevice>> MakeSimDevices(const SimOptions& options) {
    std::vector<std::unique_ptr<SimDevice>> devices;
    if (options.compass != SimOptions::Compass::off) {
        const bool turning = options.compass == SimOptions::Compass::turning;
        auto compass = std::make_unique<SimCompass>(options.compass_raw, turning);
        if (options.compass_hold > 0) {
            compass->InterruptMidRead(options.compass_hold);
        }
        devices.push_back(std::move(compass));
    }
    if (options.thermometer) {
        devices.push_back(std::make_unique<SimThermometer>(options.thermometer_raw));
    }
    if (options.input_port) {
        devices.push_back(std::make_unique<SimInputPort>(options.input_port_pins));
    }
    return devices;
}
