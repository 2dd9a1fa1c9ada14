// SPDX-License-Identifier: MIT
// The compass module: a CMPS03-style register file behind a register pointer.
#include "port/sim/sim_devices.h"

namespace {

// Registers: 0 software revision, 1 bearing as 0-255 for a full turn, 2 and 3 bearing in
// tenths of a degree (high byte first). The module's internal test registers (4-11) are
// not modelled, and they, the unused 12-14, the calibrate command register 15 and every
// number above read 0. The first byte written after the address sets the pointer; further
// written bytes are acknowledged and ignored. Each byte sent moves the pointer on, in the
// same read or the next one.
class SimCompass final : public SimDevice {
  public:
    SimCompass(std::uint16_t raw, SimOptions::Compass motion)
        : SimDevice(0x60), raw_(raw), motion_(motion) {}

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
        if (pointer_ == 3 && motion_ == SimOptions::Compass::turning) {
            // About one degree further on for the next read.
            raw_ = static_cast<std::uint16_t>((raw_ + 10) % 3600);
        } else if (pointer_ == 3 && motion_ == SimOptions::Compass::sweep) {
            // Every raw value in turn, for checking reads against all of them.
            raw_ = static_cast<std::uint16_t>(raw_ + 1);
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
    const SimOptions::Compass motion_;
    std::uint8_t pointer_ = 0;
    bool expecting_register_ = false;
};

}  // namespace

std::unique_ptr<SimDevice> MakeSimCompass(std::uint16_t raw, SimOptions::Compass motion) {
    return std::make_unique<SimCompass>(raw, motion);
}
