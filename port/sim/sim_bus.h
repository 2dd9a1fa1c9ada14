// SPDX-License-Identifier: MIT
// A simulated I2C bus with bit-level slave models. Open drain: SCL is the master's RTS,
// SDA is the master's DTR AND every device's pull-down.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "port/sim/sim_options.h"

// One I2C slave, following the line transitions as a real chip does: start and stop
// detection, address match, acknowledge, data shifted out on falling SCL edges.
class SimDevice {
  public:
    explicit SimDevice(std::uint8_t address) : address_(address) {}
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    void LinesChanged(bool scl, bool sda);
    // As if the master had gone away partway through reading a byte of zeros from it: the
    // device holds SDA low and lets go on the clocks-th falling clock edge from now (1-8),
    // when the byte is done.
    void InterruptMidRead(int clocks);
    bool PullsLow() const { return pulls_low_; }

  protected:
    // The device has acknowledged its address; read is the R/W bit.
    virtual void Addressed(bool read) = 0;
    // A byte the master wrote after the address; true to acknowledge it.
    virtual bool Received(std::uint8_t byte) = 0;
    // The next byte to shift out while the master reads.
    virtual std::uint8_t NextByteToSend() = 0;

  private:
    enum class Phase { idle, address, address_ack, write_data, write_ack, read_data, read_ack };

    void RisingEdge(bool sda);
    void FallingEdge();
    void StartSending();

    const std::uint8_t address_;
    Phase phase_ = Phase::idle;
    bool scl_ = true;
    bool sda_ = true;
    bool pulls_low_ = false;
    bool read_ = false;
    bool master_acked_ = false;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
};

// The chips the options put on the bus: compass at 0x60, thermometer at 0x48, input port
// at 0x20.
std::vector<std::unique_ptr<SimDevice>> MakeSimDevices(const SimOptions& options);

class SimBus {
  public:
    explicit SimBus(const SimOptions& options);

    void SetClock(bool high);
    void SetData(bool released);
    bool Clock() const { return scl_; }
    // The wired-AND level of SDA.
    bool Data() const { return sda_; }
    // What the adapter's CTS input reports of SDA: the level itself, always 1 for
    // cts=stuck-high, or for cts=late the level at the previous read (a cached modem status
    // that lags behind the line).
    bool Cts();
    bool CtsMisreports() const { return cts_ != SimOptions::Cts::follows; }

  private:
    bool WiredAnd() const;
    void Propagate();

    std::vector<std::unique_ptr<SimDevice>> devices_;
    const bool sda_stuck_low_;
    const SimOptions::Cts cts_;
    bool scl_ = true;
    bool master_sda_ = true;
    bool sda_ = true;
    bool cts_reported_ = true;
};
