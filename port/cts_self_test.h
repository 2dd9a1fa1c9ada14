// SPDX-License-Identifier: MIT
// Whether the adapter reports CTS at all, and how late, measured when the port opens; and
// the words for what CTS does when DTR moves, which the open and the line check share.
#pragma once

#include <cstdint>
#include <optional>

class PacedLines;

// What CTS did when DTR moved SDA.
enum class CtsAnswer {
    follows,        // showed each new level
    late,           // wrong at once, right when read again a while later
    stuck_high,     // high whatever DTR was
    stuck_low,      // low whatever DTR was
    erratic,        // wrong in no steady way
    follows_clock,  // high with SCL high and low with SCL low: it follows RTS, not DTR
};
// One line saying it: "CTS follows DTR late", ...
const char* CtsAnswerText(CtsAnswer answer);

struct CtsSelfTest {
    bool call_failed = false;
    // Stopped by BackendInterrupt before it could tell anything.
    bool interrupted = false;
    // When the test neither failed nor was interrupted: follows (in time), stuck_high
    // (the adapter reports CTS on whatever the pin does, as cdc_acm and usbser.sys do, or
    // CTS is wired to something else) or stuck_low (SDA low with the bus idle: a device
    // holds it or nothing is connected, which is the line check's business).
    CtsAnswer answer = CtsAnswer::follows;
    // The second longest of eight times from a DTR call's return to CTS showing the new
    // level; nothing unless CTS followed every change.
    std::optional<std::int64_t> latency_ns;
};

// With SCL low, so that no start or stop condition reaches the bus, DTR goes low and high
// four times and CTS is read until it follows, at most time_limit_ns each, on every
// adapter: a read that costs nothing still moves the clock by the polls' waits. Starts by
// putting the lines idle and leaves them idle.
CtsSelfTest TestCts(PacedLines& lines, std::int64_t time_limit_ns);
