// SPDX-License-Identifier: MIT
#include "port/sim/sim_bus.h"

#include <algorithm>

namespace {

// How much of SDA's past the CTS receiver may still be asked about beyond the report
// interval: a receiver delay and a status call, with room to spare.
constexpr SimTime kHistorySlack = 10'000'000;
constexpr std::size_t kHistoryTrimAt = 512;

}  // namespace

SimBus::SimBus(const SimOptions& options, bool follow_host)
    : adapter_(*options.adapter),
      report_interval_(options.report_interval.value_or(options.adapter->report_interval)),
      follow_host_(follow_host),
      host_start_(std::chrono::steady_clock::now()),
      devices_(MakeSimDevices(options)),
      sda_stuck_low_(options.sda_stuck_low),
      cts_(options.cts) {
    for (const auto& device : devices_) {
        device_pulls_.push_back(device->PullsLow());
    }
    sda_ = WiredAnd();
    frozen_status_ = sda_;
    late_answer_ = sda_;
    history_.push_back({0, scl_, sda_});
}

SimTime SimBus::Now() {
    if (follow_host_) {
        const auto host = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now() - host_start_)
                              .count();
        now_ = std::max<SimTime>(now_, host);
    }
    RunUntil(now_);
    return now_;
}

void SimBus::WaitUntil(SimTime time) {
    Now();
    now_ = std::max(now_, time);
    RunUntil(now_);
}

void SimBus::Settle() {
    Now();
    while (!pending_.empty()) {
        now_ = std::max(now_, pending_.front().time);
        RunUntil(now_);
    }
}

void SimBus::SetClock(bool high) {
    Drive(Source::clock, high);
}

void SimBus::SetData(bool released) {
    Drive(Source::data, released);
}

void SimBus::Drive(Source source, bool level) {
    // The call starts where the caller's last look at the clock left it: a host that falls
    // behind between that look and the call must not shorten the time paced out before it.
    now_ += adapter_.line_call;
    Schedule({now_ + (level ? adapter_.rise_at_pins : adapter_.fall_at_pins), source, 0, level});
    RunUntil(now_);
}

void SimBus::Schedule(const Edge& edge) {
    const auto same_source = [&edge](const Edge& other) {
        return other.source == edge.source && other.device == edge.device;
    };
    if (edge.source == Source::device) {
        // One change on its way is enough: it puts out the chip's state when it arrives.
        if (std::any_of(pending_.begin(), pending_.end(), same_source)) {
            return;
        }
    } else {
        // A line asked back before its edge crossed the threshold: the pins never see it.
        std::erase_if(pending_, [&](const Edge& other) {
            return same_source(other) && other.time >= edge.time;
        });
    }
    const auto later =
        std::upper_bound(pending_.begin(), pending_.end(), edge.time,
                         [](SimTime time, const Edge& other) { return time < other.time; });
    pending_.insert(later, edge);
}

void SimBus::RunUntil(SimTime time) {
    while (!pending_.empty() && pending_.front().time <= time) {
        const Edge edge = pending_.front();
        pending_.erase(pending_.begin());
        Apply(edge);
    }
}

void SimBus::Apply(const Edge& edge) {
    switch (edge.source) {
        case Source::clock:
            scl_pin_ = edge.level;
            break;
        case Source::data:
            sda_pin_ = edge.level;
            break;
        case Source::device:
            device_pulls_[edge.device] = devices_[edge.device]->PullsLow();
            break;
    }
    const bool sda = WiredAnd();
    if (scl_pin_ == scl_ && sda == sda_) {
        return;
    }
    const TimingRule* broken = timing_.Check(edge.time, scl_pin_, sda);
    if (sda != sda_) {
        history_.push_back({edge.time, scl_pin_, sda});
    }
    scl_ = scl_pin_;
    sda_ = sda;
    if (keep_changes_) {
        changes_.push_back({edge.time, scl_, sda_});
    }
    for (std::size_t index = 0; index < devices_.size(); ++index) {
        SimDevice& device = *devices_[index];
        if (broken != nullptr) {
            device.Abandon(scl_, sda_);
        } else {
            device.LinesChanged(scl_, sda_);
        }
        if (device.PullsLow() != device_pulls_[index]) {
            Schedule({edge.time + kSlaveDataValid, Source::device, index, false});
        }
    }
    if (history_.size() > kHistoryTrimAt) {
        const SimTime oldest_needed = now_ - report_interval_ - kHistorySlack;
        const auto first_kept =
            std::find_if(history_.begin() + 1, history_.end(),
                         [&](const PinChange& change) { return change.time > oldest_needed; });
        history_.erase(history_.begin(), first_kept - 1);
    }
}

bool SimBus::WiredAnd() const {
    bool level = sda_pin_ && !sda_stuck_low_;
    for (const bool pulls : device_pulls_) {
        level = level && !pulls;
    }
    return level;
}

bool SimBus::SdaAt(SimTime time) const {
    const auto after =
        std::upper_bound(history_.begin(), history_.end(), time,
                         [](SimTime when, const PinChange& change) { return when < change.time; });
    return after == history_.begin() ? history_.front().sda : std::prev(after)->sda;
}

bool SimBus::ReportedLevel(SimTime read_at) {
    switch (adapter_.status) {
        case SimAdapter::Status::fresh:
            return SdaAt(read_at - adapter_.receiver);
        case SimAdapter::Status::polled:
            if (report_interval_ == 0) {
                return frozen_status_;
            }
            return SdaAt(read_at / report_interval_ * report_interval_ - adapter_.receiver);
        case SimAdapter::Status::always_on:
            break;
    }
    return true;
}

bool SimBus::Cts() {
    const SimTime begin = now_;
    // A fresh status is the chip's answer at the end of the call; a kept one is in the
    // host's memory from the start.
    const bool fresh = adapter_.status == SimAdapter::Status::fresh;
    now_ = begin + adapter_.status_call;
    RunUntil(now_);
    const bool level = ReportedLevel(fresh ? now_ : begin);
    switch (cts_) {
        case SimOptions::Cts::follows:
            break;
        case SimOptions::Cts::stuck_high:
            return true;
        case SimOptions::Cts::late: {
            const bool answer = late_answer_;
            late_answer_ = level;
            return answer;
        }
    }
    return level;
}

bool SimBus::CtsMisreports() const {
    return cts_ != SimOptions::Cts::follows || adapter_.status != SimAdapter::Status::fresh;
}

void SimBus::KeepPinChanges(bool keep) {
    keep_changes_ = keep;
    if (!keep) {
        changes_.clear();
    }
}

std::vector<PinChange> SimBus::TakePinChanges() {
    std::vector<PinChange> taken;
    taken.swap(changes_);
    return taken;
}
