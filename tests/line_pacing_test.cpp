// SPDX-License-Identifier: MIT
// The pacing arithmetic of the port layer: clock settings, adapters known by their driver,
// how long a CTS read waits.
#include <gtest/gtest.h>

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
        AdapterKind kind;
    } cases[] = {
        {"serial8250", AdapterKind::native},       {"serial", AdapterKind::native},
        {"Serial", AdapterKind::native},           {"ftdi_sio", AdapterKind::usb_fresh},
        {"FTSER2K", AdapterKind::usb_fresh},       {"cp210x", AdapterKind::usb_fresh},
        {"silabser", AdapterKind::usb_fresh},      {"pl2303", AdapterKind::usb_polled},
        {"Ser2pl64", AdapterKind::usb_polled},     {"ch341-uart", AdapterKind::usb_polled},
        {"CH341SER_A64", AdapterKind::usb_polled}, {"cdc_acm", AdapterKind::no_cts},
        {"usbser", AdapterKind::no_cts},           {"", AdapterKind::unknown},
        {"serial8250x", AdapterKind::unknown},     {"ftdi", AdapterKind::unknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KindOfDriver(c.driver), c.kind) << c.driver;
    }
}

TEST(LinePacing, ACtsReadWaitsLongEnoughForTheAdapterToReport) {
    const struct {
        AdapterKind kind;
        const char* driver;
        std::int64_t latency_ns;
        std::int64_t wait_ns;
    } cases[] = {
        // What the open measured, twice, whatever the driver's name says: a native port or
        // an FTDI adapter behind a driver that keeps the status late waits for it too.
        {AdapterKind::native, "serial8250", 6000, 12'000},
        {AdapterKind::native, "serial8250", 2'000'000, 4'000'000},
        {AdapterKind::usb_fresh, "ftdi_sio", 0, 0},
        {AdapterKind::usb_fresh, "ftdi_sio", 16'000'000, 32'000'000},
        {AdapterKind::native, "serial8250", -1, 0},
        // Reported by the chip: at least two report intervals.
        {AdapterKind::usb_polled, "pl2303", 300'000, 2'000'000},
        {AdapterKind::usb_polled, "pl2303", 1'400'000, 2'800'000},
        {AdapterKind::usb_polled, "ch341-uart", 3'000'000, 6'000'000},
        {AdapterKind::unknown, "", 10'000, 20'000},
        // Nothing measured, interval unknown: the slowest CH340s, twice.
        {AdapterKind::usb_polled, "ch341-uart", -1, 20'000'000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CtsWaitNs(c.kind, c.driver, c.latency_ns), c.wait_ns) << c.driver;
    }
    // Every gap counts from the return of the call that made the last change.
    const LinePacing pacing{5000, 2'000'000};
    EXPECT_EQ(NextChangeAt(pacing, 1600), 6600);
    EXPECT_EQ(NextCtsReadAt({5000, 0}, 1600), 6600);
    EXPECT_EQ(NextCtsReadAt(pacing, 1'000'100), 3'000'100);
}

}  // namespace
