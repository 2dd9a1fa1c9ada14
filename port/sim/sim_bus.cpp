// SPDX-License-Identifier: MIT
#include "port/sim/sim_bus.h"

#include <algorithm>
#include <utility>

#include "port/sim/sim_devices.h"

namespace {

// How much of SDA's past the CTS receiver may still be asked about beyond two report
// intervals: a receiver delay and a status call, with room to spare.
constexpr SimTime kHistorySlack = 10'000'000;
constexpr std::size_t kHistoryTrimAt = 512;

// Separate random streams from one seed.
enum class Stream : std::uint64_t { phase = 1, delivery = 2, slow = 3 };
constexpr std::uint64_t kSlowOneIn = 8;

// splitmix64's finaliser over the seed, the stream and the index: a reproducible number
// for each report or call, needing no state.
std::uint64_t Random(std::uint32_t seed, Stream stream, std::uint64_t index) {
    std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 ^
                       static_cast<std::uint64_t>(stream) << 56 ^ index) +
                      0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

SimTime Below(std::uint64_t random, SimTime limit) {
    return limit > 0 ? static_cast<SimTime>(random % static_cast<std::uint64_t>(limit)) : 0;
}

// The chips the options put on the bus: compass at 0x60, thermometer at 0x48, input port
// at 0x20.
std::vector<std::unique_ptr<SimDevice>> MakeSimDevices(const SimOptions& options) {
    std::vector<std::unique_ptr<SimDevice>> devices;
    if (options.compass != SimOptions::Compass::off) {
        auto compass = MakeSimCompass(options.compass_raw, options.compass);
        if (options.compass_hold > 0) {
            compass->InterruptMidRead(options.compass_hold);
        }
        devices.push_back(std::move(compass));
    }
    if (options.thermometer) {
        devices.push_back(MakeSimThermometer(options.thermometer_raw));
    }
    if (options.input_port) {
        devices.push_back(MakeSimInputPort(options.input_port_pins));
    }
    return devices;
}

}  // namespace

SimBus::SimBus(const SimOptions& options)
    : adapter_(SimulatedAdapter(*options.adapter)),
      cts_report_(options.cts_report.value_or(options.adapter->cts)),
      report_interval_(options.report_interval.value_or(options.adapter->report_interval_ns)),
      seed_(options.seed),
      report_phase_(Below(Random(seed_, Stream::phase, 0), report_interval_)),
      slow_call_(options.slow_call),
      broken_(options.broken),
      devices_(MakeSimDevices(options)),
      sda_stuck_low_(options.sda_stuck_low),
      cts_late_(options.cts_late) {
    for (const auto& device : devices_) {
        device_pulls_.push_back(device->PullsLow());
    }
    sda_ = WiredAnd();
    frozen_status_ = sda_;
    late_answer_ = sda_;
    history_.push_back({0, scl_, sda_});
}

void SimBus::WaitUntil(SimTime time) {
    now_ = std::max(now_, time);
    RunUntil(now_);
}

void SimBus::Settle() {
    while (!pending_.empty()) {
        WaitUntil(pending_.front().time);
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
    now_ += adapter_.line_call + SlowPart();
    const pin_edges::PinEdges& edges = adapter_.edges;
    const SimTime delay = source == Source::clock ? (level ? edges.scl_rise : edges.scl_fall)
                                                  : (level ? edges.sda_rise : edges.sda_fall);
    Schedule({now_ + delay, source, 0, level});
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
    const std::optional<TimingRule> broken = timing_.Check(edge.time, scl_pin_, sda);
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
        if (broken && broken_ == SimOptions::Broken::abandon) {
            device.Abandon(scl_, sda_);
        } else {
            device.LinesChanged(scl_, sda_, broken.has_value());
        }
        if (device.PullsLow() != device_pulls_[index]) {
            Schedule({edge.time + pin_edges::kSlaveDataValidNs, Source::device, index, false});
        }
    }
    if (history_.size() > kHistoryTrimAt) {
        // The newest report delivered may have been taken up to two intervals ago.
        const SimTime oldest_needed = now_ - 2 * report_interval_ - kHistorySlack;
        const auto first_kept =
            std::find_if(history_.begin() + 1, history_.end(),
                         [&](const PinChange& change) { return change.time > oldest_needed; });
        history_.erase(history_.begin(), first_kept - 1);
    }
}

bool SimBus::WiredAnd() const {
    const bool a_chip_pulls = std::ranges::find(device_pulls_, true) != device_pulls_.end();
    return sda_pin_ && !sda_stuck_low_ && !a_chip_pulls;
}

bool SimBus::SdaAt(SimTime time) const {
    const auto after =
        std::upper_bound(history_.begin(), history_.end(), time,
                         [](SimTime when, const PinChange& change) { return when < change.time; });
    return after == history_.begin() ? history_.front().sda : std::prev(after)->sda;
}

bool SimBus::ReportedLevel(SimTime read_at) {
    if (cts_report_ == CtsReport::always_on) {
        return true;
    }
    if (report_interval_ == 0) {
        return cts_report_ == CtsReport::fresh ? SdaAt(read_at - adapter_.receiver)
                                               : frozen_status_;
    }
    // A polled driver, or a fresh one that report= makes keep what the chip last reported.
    return SdaAt(LastReportTaken(read_at) - adapter_.receiver);
}

SimTime SimBus::ReportDelivery(SimTime index) const {
    const SimTime longest = std::min(adapter_.report_delivery, report_interval_);
    return Below(Random(seed_, Stream::delivery, static_cast<std::uint64_t>(index)), longest);
}

// When the chip took the newest report the host holds at read_at; before the first, a
// time before the bus was made, whose level is the one it started with. Each report is
// delivered within an interval, so an older one has always arrived.
SimTime SimBus::LastReportTaken(SimTime read_at) const {
    SimTime index = read_at >= report_phase_ ? (read_at - report_phase_) / report_interval_ : -1;
    if (index >= 0 && report_phase_ + index * report_interval_ + ReportDelivery(index) > read_at) {
        --index;
    }
    return report_phase_ + index * report_interval_;
}

SimTime SimBus::SlowPart() {
    ++calls_;
    const bool slow = slow_call_ > 0 && Random(seed_, Stream::slow, calls_) % kSlowOneIn == 0;
    return slow ? slow_call_ : 0;
}

bool SimBus::Cts() {
    const SimTime begin = now_;
    // A fresh status is the chip's answer at the end of the call; a kept one is in the
    // host's memory from the start.
    const bool fresh = cts_report_ == CtsReport::fresh;
    now_ = begin + adapter_.status_call + SlowPart();
    RunUntil(now_);
    const bool level = ReportedLevel(fresh ? now_ : begin);
    if (!cts_late_) {
        return level;
    }
    const bool answer = late_answer_;
    late_answer_ = level;
    return answer;
}

bool SimBus::CtsMisreports() const {
    return cts_late_ || cts_report_ != CtsReport::fresh || report_interval_ != 0;
}

void SimBus::KeepPinChanges(bool keep) {
    keep_changes_ = keep;
    if (!keep) {
        changes_.clear();
    }
}

std::vector<PinChange> SimBus::TakePinChanges() {
    return std::exchange(changes_, {});
}
