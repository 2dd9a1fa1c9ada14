// SPDX-License-Identifier: MIT
// A simulated I2C bus with bit-level slave models. Open drain: SCL is the master's RTS,
// SDA is the master's DTR AND every device's pull-down.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "port/sim/sim_options.h"
#include "port/sim/sim_timing.h"

// One I2C slave, following the line transitions as a real chip does: start and stop
// detection, address match, acknowledge, data shifted out on falling SCL edges.
class SimDevice {
  public:
    explicit SimDevice(std::uint8_t address) : address_(address) {}
    virtual ~SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // The lines at the pins now. misread: a change whose timing the chip could not follow,
    // taken the wrong way: the bit it latches or puts out on this clock edge comes out
    // inverted, and a start or stop it missed goes unnoticed. It still acknowledges what it
    // then reads.
    void LinesChanged(bool scl, bool sda, bool misread);
    // As if the master had gone away partway through reading a byte of zeros from it: the
    // device holds SDA low and lets go on the clocks-th falling clock edge from now (1-8),
    // when the byte is done.
    void InterruptMidRead(int clocks);
    // A transaction whose timing the chip could not follow: it lets go of SDA and waits
    // for the next start, taking the lines as they are now.
    void Abandon(bool scl, bool sda);
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
    // Lets go of SDA and waits in phase for a byte's first bit.
    void Restart(Phase phase);

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

// A level change at the pins, for the bus trace.
struct PinChange {
    SimTime time;
    bool scl;
    bool sda;
};

// The bus as the chips see it at their pins. Each line call goes through the modelled
// adapter: it costs simulated time, and its edge reaches the pins after the transceiver's
// delay; the chips answer a falling clock edge within their data valid time, and drop a
// transaction whose timing breaks a standard-mode minimum (or, broken=misread, go on with
// the broken edge's bit taken wrong). Its one clock moves only by the calls' costs and the
// waits it is given, the same on every run; a real-time run keeps it up with the host's
// through HostPace. What real hardware does irregularly (when an adapter's status reports come and
// arrive, which call a busy host makes slow) follows the options' seed, the same on every run.
class SimBus {
  public:
    explicit SimBus(const SimOptions& options);

    void SetClock(bool high);
    void SetData(bool released);
    // What the adapter's CTS input reports of SDA: the level at the pins a receiver delay
    // ago, or for an adapter that reports its status by itself the level at its last
    // report; always 1 for cts=stuck-high or an adapter that reports CTS always on, and for
    // cts=late the answer the previous read should have had.
    bool Cts();

    // Simulated time in ns since the bus was made: where the last call's cost or wait left it.
    SimTime Now() const { return now_; }
    // The caller waits until then (not back); no line changes.
    void WaitUntil(SimTime time);
    // Lets every edge on its way arrive, so the pins show the last call's levels.
    void Settle();

    // The levels at the pins now.
    bool Clock() const { return scl_; }
    bool Data() const { return sda_; }
    bool CtsMisreports() const;
    // Keeps the pin changes from now on (for a trace), or no longer and lets go of them.
    void KeepPinChanges(bool keep);
    // The pin changes kept since the last call, oldest first.
    std::vector<PinChange> TakePinChanges();
    const PinTiming& Timing() const { return timing_; }

  private:
    enum class Source { clock, data, device };
    struct Edge {
        SimTime time;
        Source source;
        std::size_t device;  // Source::device
        bool level;          // Source::clock and Source::data
    };

    void Drive(Source source, bool level);
    void Schedule(const Edge& edge);
    void RunUntil(SimTime time);
    void Apply(const Edge& edge);
    bool WiredAnd() const;
    bool SdaAt(SimTime time) const;
    bool ReportedLevel(SimTime read_at);
    SimTime LastReportTaken(SimTime read_at) const;
    SimTime ReportDelivery(SimTime index) const;
    SimTime SlowPart();

    const SimAdapter adapter_;
    const CtsReport cts_report_;
    const SimTime report_interval_;
    const std::uint32_t seed_;
    const SimTime report_phase_;  // when the chip takes its first report
    const SimTime slow_call_;
    const SimOptions::Broken broken_;
    std::uint64_t calls_ = 0;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::vector<bool> device_pulls_;  // what each chip drives onto SDA at the pins
    std::vector<Edge> pending_;       // by time, the next one first
    const bool sda_stuck_low_;
    const bool cts_late_;
    SimTime now_ = 0;
    bool scl_pin_ = true;  // the master's lines at the pins
    bool sda_pin_ = true;
    bool scl_ = true;  // the bus lines
    bool sda_ = true;
    bool frozen_status_ = true;  // an adapter that stopped reporting
    bool late_answer_ = true;
    std::vector<PinChange> history_;  // SDA's recent past for the CTS receiver
    bool keep_changes_ = false;
    std::vector<PinChange> changes_;
    PinTiming timing_;
};

// A simulated bus's clock kept up with the host's, for a real-time run (the window or
// kolvaner-cli on sim, the fake terminal): before a look at the clock the bus waits out the
// host's time since the start, so a trace of a program that waits shows its waits. A line
// call is still measured at what it costs, however far a slow host falls behind during it.
class HostPace {
  public:
    HostPace() : start_(std::chrono::steady_clock::now()) {}
    // The host's nanoseconds since the start.
    SimTime Elapsed() const {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now() - start_)
            .count();
    }
    SimTime CatchUp(SimBus& bus) const {
        bus.WaitUntil(Elapsed());
        return bus.Now();
    }

  private:
    std::chrono::steady_clock::time_point start_;
};
