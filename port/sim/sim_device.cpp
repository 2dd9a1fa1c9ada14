// SPDX-License-Identifier: MIT
#include "port/sim/sim_bus.h"

void SimDevice::LinesChanged(bool scl, bool sda, bool misread) {
    const bool clock_rose = scl && !scl_;
    const bool clock_fell = !scl && scl_;
    const bool data_changed_while_clock_high = scl && scl_ && sda != sda_;
    scl_ = scl;
    sda_ = sda;
    if (data_changed_while_clock_high && !misread) {
        // SDA falling with SCL high is a start (or repeated start), rising is a stop.
        Restart(sda ? Phase::idle : Phase::address);
    } else if (clock_rose) {
        RisingEdge(sda != misread);
    } else if (clock_fell) {
        FallingEdge();
        if (misread && phase_ == Phase::read_data) {
            pulls_low_ = !pulls_low_;
        }
    }
}

void SimDevice::InterruptMidRead(int clocks) {
    phase_ = Phase::read_data;
    read_ = true;
    shift_ = 0;
    bits_ = 8 - clocks;
    pulls_low_ = true;
    // SDA is low: the device pulls it down itself.
    sda_ = false;
}

void SimDevice::RisingEdge(bool sda) {
    if (phase_ == Phase::address || phase_ == Phase::write_data) {
        shift_ = static_cast<std::uint8_t>(shift_ << 1 | (sda ? 1 : 0));
        ++bits_;
    } else if (phase_ == Phase::read_ack) {
        master_acked_ = !sda;
    }
}

void SimDevice::FallingEdge() {
    // A byte coming in: nothing to do before its eighth bit.
    if ((phase_ == Phase::address || phase_ == Phase::write_data) && bits_ < 8) {
        return;
    }
    switch (phase_) {
        case Phase::idle:
            break;
        case Phase::address:
            if ((shift_ >> 1) != address_) {
                phase_ = Phase::idle;
                break;
            }
            read_ = (shift_ & 1) != 0;
            Addressed(read_);
            pulls_low_ = true;
            phase_ = Phase::address_ack;
            break;
        case Phase::write_data:
            pulls_low_ = Received(shift_);
            phase_ = Phase::write_ack;
            break;
        case Phase::address_ack:
            if (read_) {
                StartSending();
                break;
            }
            [[fallthrough]];
        case Phase::write_ack:
            Restart(Phase::write_data);
            break;
        case Phase::read_data:
            ++bits_;
            if (bits_ == 8) {
                // Let go of SDA for the master's acknowledge.
                pulls_low_ = false;
                phase_ = Phase::read_ack;
            } else {
                pulls_low_ = (shift_ & (0x80 >> bits_)) == 0;
            }
            break;
        case Phase::read_ack:
            if (master_acked_) {
                StartSending();
            } else {
                // Not acknowledged: the master wants no more; wait for its stop.
                pulls_low_ = false;
                phase_ = Phase::idle;
            }
            break;
    }
}

void SimDevice::StartSending() {
    shift_ = NextByteToSend();
    bits_ = 0;
    pulls_low_ = (shift_ & 0x80) == 0;
    phase_ = Phase::read_data;
}

void SimDevice::Restart(Phase phase) {
    phase_ = phase;
    pulls_low_ = false;
    bits_ = 0;
    shift_ = 0;
}

void SimDevice::Abandon(bool scl, bool sda) {
    Restart(Phase::idle);
    scl_ = scl;
    sda_ = sda;
}
