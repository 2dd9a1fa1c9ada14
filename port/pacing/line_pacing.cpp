// SPDX-License-Identifier: MIT
#include "port/pacing/line_pacing.h"

#include <algorithm>
#include <cctype>

#include "port/pin_edges.h"
#include "port/text/number_text.h"

namespace {

struct KnownDriver {
    const char* name;  // Linux driver, or Windows service (a prefix for CH341SER*)
    AdapterKind kind;
    std::int64_t report_interval_ns;  // usb_polled: how often the chip reports, if known
};

constexpr std::int64_t kNsPerMs = 1'000'000;

// drivers/tty/serial/8250 and Windows' serial.sys; drivers/usb/serial and their Windows
// counterparts. pl2303's interrupt endpoint has bInterval 1 (1 ms at full speed).
constexpr KnownDriver kDrivers[] = {
    {"serial8250", AdapterKind::native, 0},        {"serial", AdapterKind::native, 0},
    {"ftdi_sio", AdapterKind::usb_fresh, 0},       {"FTSER2K", AdapterKind::usb_fresh, 0},
    {"cp210x", AdapterKind::usb_fresh, 0},         {"silabser", AdapterKind::usb_fresh, 0},
    {"pl2303", AdapterKind::usb_polled, kNsPerMs}, {"Ser2pl", AdapterKind::usb_polled, kNsPerMs},
    {"ch341-uart", AdapterKind::usb_polled, 0},    {"CH341SER", AdapterKind::usb_polled, 0},
    {"cdc_acm", AdapterKind::no_cts, 0},           {"usbser", AdapterKind::no_cts, 0},
};

// Windows names services in any case, and Ser2pl64 and CH341SER_A64 are the 64-bit
// drivers of Ser2pl and CH341SER. ch341.c registers its tty driver as "ch341-uart".
bool NamesDriver(std::string_view driver, std::string_view known) {
    if (driver.size() < known.size()) {
        return false;
    }
    const bool same_start =
        std::equal(known.begin(), known.end(), driver.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    const std::string_view rest = driver.substr(known.size());
    return same_start && (rest.empty() || rest == "64" || rest.substr(0, 1) == "_");
}

const KnownDriver* FindDriver(std::string_view driver) {
    for (const KnownDriver& known : kDrivers) {
        if (NamesDriver(driver, known.name)) {
            return &known;
        }
    }
    return nullptr;
}

// Standard-mode minimums at the pins (UM10204, table 10), in ns.
constexpr std::int64_t kLow = 4700;
constexpr std::int64_t kHigh = 4000;
constexpr std::int64_t kBusFree = 4700;
constexpr std::int64_t kStartSetup = 4700;
constexpr std::int64_t kStartHold = 4000;
constexpr std::int64_t kStopSetup = 4000;
constexpr std::int64_t kDataSetup = 250;

// Two line changes half a period apart reach the pins half a period plus the second
// edge's delay less the first's apart; each pair of edges that a minimum spans must keep
// it, through these edges and through a port whose edges come at once. A bit read spans
// tLOW with one half period, and the slave's bit must be steady before SCL rises.
constexpr std::int64_t ShortestHalfPeriod(const pin_edges::PinEdges& e) {
    const std::int64_t sda_latest = std::max(e.sda_rise, e.sda_fall);
    const std::int64_t needs[] = {
        kHigh + e.scl_rise - e.scl_fall,        // SCL up, SCL down
        kLow + e.scl_fall - e.scl_rise,         // SCL down, SCL up
        kStartSetup + e.scl_rise - e.sda_fall,  // SCL up, SDA down: a repeated start
        kStopSetup + e.scl_rise - e.sda_rise,   // SCL up, SDA up: a stop
        kBusFree + e.sda_rise - e.sda_fall,     // the stop, the next start
        kStartHold + e.sda_fall - e.scl_fall,   // a start, SCL down
        kDataSetup + sda_latest - e.scl_rise,   // SDA set, SCL up
        kDataSetup + pin_edges::kSlaveDataValidNs + e.scl_fall - e.scl_rise,
        kLow,
        kHigh,
        kBusFree,
        kStartSetup,
        kStartHold,
        kStopSetup,
    };
    std::int64_t longest = 0;
    for (const std::int64_t need : needs) {
        longest = std::max(longest, need);
    }
    return longest;
}

constexpr std::int64_t kPinHalfPeriodNs = ShortestHalfPeriod(pin_edges::kSlowestDriver);

// An adapter that reports late and could not be measured: the slowest report interval
// seen on CH340 chips, twice.
constexpr std::int64_t kUnmeasuredCtsWaitNs = 20 * kNsPerMs;

}  // namespace

AdapterKind KindOfDriver(std::string_view driver) {
    const KnownDriver* known = FindDriver(driver);
    return known != nullptr ? known->kind : AdapterKind::unknown;
}

const char* KindText(AdapterKind kind) {
    switch (kind) {
        case AdapterKind::native:
            return "a PC's own serial port";
        case AdapterKind::usb_fresh:
            return "USB, CTS read from the chip each time";
        case AdapterKind::usb_polled:
            return "USB, CTS as the chip last reported it";
        case AdapterKind::no_cts:
            return "USB, CTS reported always on";
        case AdapterKind::unknown:
            break;
    }
    return "a driver Kolvaner does not know";
}

const char* KindVerdict(AdapterKind kind) {
    switch (kind) {
        case AdapterKind::native:
            return "works";
        case AdapterKind::usb_fresh:
        case AdapterKind::usb_polled:
            return "works, slowly";
        case AdapterKind::no_cts:
            return "cannot work";
        case AdapterKind::unknown:
            break;
    }
    return "may work, paced as one that reports CTS late";
}

std::string ParseClockKhz(std::string_view name, std::string_view text, int& khz) {
    if (!ParseNumber(text, false, kMaxClockKhz, khz) || khz < kMinClockKhz) {
        return "bad " + std::string(name) + " '" + std::string(text) + "' (" +
               std::to_string(kMinClockKhz) + "-" + std::to_string(kMaxClockKhz) + " kHz)";
    }
    return {};
}

std::int64_t PinHalfPeriodNs() {
    return kPinHalfPeriodNs;
}

std::int64_t HalfPeriodNs(int khz) {
    // 1 / (2 kHz) in ns, rounded up so the clock never runs faster than asked.
    const std::int64_t per_period = 2LL * khz;
    return std::max((1'000'000 + per_period - 1) / per_period, kPinHalfPeriodNs);
}

std::int64_t CtsWaitNs(AdapterKind kind, std::string_view driver, std::int64_t latency_ns) {
    // What the open measured governs, twice over; the driver only sets a floor under it.
    const std::int64_t measured = latency_ns > 0 ? 2 * latency_ns : 0;
    if (kind != AdapterKind::usb_polled && kind != AdapterKind::unknown) {
        return measured;
    }
    const KnownDriver* known = FindDriver(driver);
    const std::int64_t interval = known != nullptr ? known->report_interval_ns : 0;
    if (latency_ns < 0 && interval == 0) {
        return kUnmeasuredCtsWaitNs;
    }
    // A report comes within an interval of a change.
    return std::max(measured, 2 * interval);
}

std::int64_t NextChangeAt(const LinePacing& pacing, std::int64_t last_change_end) {
    return last_change_end + pacing.half_period_ns;
}

std::int64_t NextCtsReadAt(const LinePacing& pacing, std::int64_t last_change_end) {
    return last_change_end + std::max(pacing.half_period_ns, pacing.cts_wait_ns);
}
