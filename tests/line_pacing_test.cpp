// SPDX-License-Identifier: MIT
// The pacing arithmetic of the port layer: clock settings, adapters known by their driver,
// how long a CTS read waits.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "port/pacing/line_pacing.h"

namespace {

TEST(LinePacing, ClockSettingsAndTheirHalfPeriods) {
    const struct {
        const char* text;
        bool accepted;
        std::int64_t half_period_ns;
    } cases[] = {
        // Above 55.7 kHz the pins' timing sets the half period.
        {"100", true, 8979},  {"56", true, 8979}, {"55", true, 9091}, {"1", true, 500'000},
        {"3", true, 166'667}, {"0", false, 0},    {"101", false, 0},  {"", false, 0},
        {"50k", false, 0},    {"-5", false, 0},   {"0x10", false, 0}, {" 5", false, 0},
    };
    for (const auto& c : cases) {
        int khz = 0;
        const std::string error = ParseClockKhz("--clock", c.text, khz);
        EXPECT_EQ(error.empty(), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(HalfPeriodNs(khz), c.half_period_ns) << c.text;
        } else {
            EXPECT_EQ(error, std::string("bad --clock '") + c.text + "' (1-100 kHz)");
        }
    }
}

TEST(LinePacing, AdaptersKnownByTheirDriver) {
    const struct {
        const char* driver;
        const char* adapter;  // nullptr: unknown
    } cases[] = {
        {"serial8250", "native"},  {"serial", "native"},
        {"Serial", "native"},      {"ftdi_sio", "ftdi"},
        {"FTSER2K", "ftdi"},       {"cp210x", "cp210x"},
        {"silabser", "cp210x"},    {"pl2303", "pl2303"},
        {"Ser2pl64", "pl2303"},    {"ch341-uart", "ch341"},
        {"CH341SER_A64", "ch341"}, {"cdc_acm", "cdc-acm"},
        {"usbser", "cdc-acm"},     {"", nullptr},
        {"serial8250x", nullptr},  {"ftdi", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AdapterOfDriver(c.driver),
                  c.adapter != nullptr ? AdapterNamed(c.adapter) : nullptr)
            << c.driver;
    }
}

TEST(LinePacing, ACtsReadWaitsLongEnoughForTheAdapterToReport) {
    const struct {
        const char* adapter;  // nullptr: a driver Kolvaner does not know
        std::optional<std::int64_t> latency_ns;
        std::int64_t wait_ns;
    } cases[] = {
        // What the open measured, twice, whatever the driver's name says: a native port or
        // an FTDI adapter behind a driver that keeps the status late waits for it too.
        {"native", 6000, 12'000},
        {"native", 2'000'000, 4'000'000},
        {"ftdi", 0, 0},
        {"ftdi", 16'000'000, 32'000'000},
        {"native", {}, 0},
        // Reported by the chip: at least two report intervals.
        {"pl2303", 300'000, 2'000'000},
        {"pl2303", 1'400'000, 2'800'000},
        {"ch341", 3'000'000, 8'000'000},
        {"ch341", 5'000'000, 10'000'000},
        {nullptr, 10'000, 20'000},
        // Nothing measured: no nominal interval stands in for a measurement.
        {"ch341", {}, 20'000'000},
        {"pl2303", {}, 20'000'000},
        {nullptr, {}, 20'000'000},
    };
    for (const auto& c : cases) {
        const Adapter* adapter = c.adapter != nullptr ? AdapterNamed(c.adapter) : nullptr;
        EXPECT_EQ(CtsWaitNs(adapter, c.latency_ns), c.wait_ns)
            << (c.adapter != nullptr ? c.adapter : "unknown");
    }
    // Every gap counts from the return of the call that made the last change.
    const LinePacing pacing{5000, 2'000'000};
    EXPECT_EQ(NextChangeAt(pacing, 1600), 6600);
    EXPECT_EQ(NextCtsReadAt({5000, 0}, 1600), 6600);
    EXPECT_EQ(NextCtsReadAt(pacing, 1'000'100), 3'000'100);
}

}  // namespace
