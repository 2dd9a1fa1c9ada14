// SPDX-License-Identifier: MIT
// The input port: a quasi-bidirectional 8-bit expander like the PCF8574.
#include "port/sim/sim_devices.h"

namespace {

// Each pin is an output latch that can only pull low, with a weak pull-up: a written byte
// sets the latches, and every byte read hands out the pins, where a pin whose latch is 0
// reads 0 and one whose latch is 1 reads what drives it from outside. The latches power up
// at 1, so a bare read gives the outside levels. Every written byte is acknowledged.
class SimInputPort final : public SimDevice {
  public:
    explicit SimInputPort(std::uint8_t pins) : SimDevice(0x20), pins_(pins) {}

  protected:
    void Addressed(bool) override {}

    bool Received(std::uint8_t byte) override {
        latch_ = byte;
        return true;
    }

    std::uint8_t NextByteToSend() override { return static_cast<std::uint8_t>(pins_ & latch_); }

  private:
    const std::uint8_t pins_;
    std::uint8_t latch_ = 0xFF;
};

}  // namespace

std::unique_ptr<SimDevice> MakeSimInputPort(std::uint8_t pins) {
    return std::make_unique<SimInputPort>(pins);
}
