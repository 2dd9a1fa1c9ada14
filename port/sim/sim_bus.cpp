// SPDX-License-Identifier: MIT
#include "port/sim/sim_bus.h"

SimBus::SimBus(const SimOptions& options)
    : devices_(MakeSimDevices(options)), sda_stuck_low_(options.sda_stuck_low), cts_(options.cts) {
    sda_ = WiredAnd();
    cts_reported_ = sda_;
}

void SimBus::SetClock(bool high) {
    scl_ = high;
    Propagate();
}

void SimBus::SetData(bool released) {
    master_sda_ = released;
    Propagate();
}

bool SimBus::Cts() {
    switch (cts_) {
        case SimOptions::Cts::follows:
            break;
        case SimOptions::Cts::stuck_high:
            return true;
        case SimOptions::Cts::late: {
            const bool reported = cts_reported_;
            cts_reported_ = sda_;
            return reported;
        }
    }
    return sda_;
}

bool SimBus::WiredAnd() const {
    bool level = master_sda_ && !sda_stuck_low_;
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
