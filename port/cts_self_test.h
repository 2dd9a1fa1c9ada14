// SPDX-License-Identifier: MIT
// Whether the adapter reports CTS at all, and how late, measured when the port opens.
#pragma once

#include <cstdint>
#include <optional>

class PacedLines;

struct CtsSelfTest {
    bool call_failed = false;
    // Stopped by BackendInterrupt before it could tell anything.
    bool interrupted = false;
    // False when CTS stayed high while DTR held SDA low: the adapter reports CTS on
    // whatever the pin does (cdc_acm, usbser.sys), or CTS is wired to something else.
    bool reports_cts = true;
    // The second longest of eight times from a DTR call's return to CTS showing the new
    // level; nothing when SDA was low with the bus idle (a device holds it, or nothing is
    // connected) and nothing was measured.
    std::optional<std::int64_t> latency_ns;
};

// With SCL low, so that no start or stop condition reaches the bus, DTR goes low and high
// four times and CTS is read until it follows, at most time_limit_ns each, on every
// adapter: a read that costs nothing still moves the clock by the polls' waits. Starts by
// putting the lines idle and leaves them idle.
CtsSelfTest TestCts(PacedLines& lines, std::int64_t time_limit_ns);
