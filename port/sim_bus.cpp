#include "port/sim_bus.h"

#include <array>

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

}  // namespace

SimBus::SimBus(const SimOptions& options) {
    if (options.compass != SimOptions::Compass::off) {
        const bool turning = options.compass == SimOptions::Compass::turning;
        devices_.push_back(std::make_unique<SimCompass>(options.compass_raw, turning));
    }
}

void SimBus::SetClock(bool high) {
    scl_ = high;
    Propagate();
}

void SimBus::SetData(bool released) {
    master_sda_ = released;
    Propagate();
}

bool SimBus::WiredAnd() const {
    bool level = master_sda_;
    for (const auto& device : devices_) {
        level = level && !device->PullsLow();
    }
    return level;
}

void SimBus::Propagate() {
    // Devices answer an edge by pulling or releasing SDA while SCL is low; they see that
    // new level too, and the bus settles in a round or two.
    for (int round = 0; round < 4; ++round) {
        sda_ = WiredAnd();
        for (const auto& device : devices_) {
            device->LinesChanged(scl_, sda_);
        }
        if (WiredAnd() == sda_) {
            return;
        }
    }
    sda_ = WiredAnd();
}
