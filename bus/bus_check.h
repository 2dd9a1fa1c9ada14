// SPDX-License-Identifier: MIT
// Checking the adapter's lines, and clearing a bus that a device holds. Nothing calls these
// but a front end whose user asks for them.
#pragma once

#include <chrono>
#include <optional>

#include "port/cts_self_test.h"

// How CTS answered DTR in each part of the check (follows: right at once, every time;
// never follows_clock, which takes both parts).
struct LineCheck {
    CtsAnswer clock_high = CtsAnswer::follows;  // bus idle: SDA toggled with SCL high
    CtsAnswer clock_low = CtsAnswer::follows;   // inside a start condition, SCL low
};

// Drives SDA low and high a few times with the bus idle (each low a start, each high a stop,
// so no device takes in a bit), then again inside a start condition, reading CTS after each
// change; a wrong reading is taken again after late_wait. Starts from and leaves the bus idle.
LineCheck CheckLines(std::chrono::milliseconds late_wait);
// What the two parts come to, the cause nearest the wire first: follows_clock, stuck_low,
// erratic, late, follows when both followed. CTS high in one part only is erratic: the
// open refuses an adapter whose CTS stays high, so the check never runs on one.
CtsAnswer DiagnoseLines(const LineCheck& check);

// One CTS sample with the bus idle and no line changed: true when SDA reads low, so a device
// or a fault holds it and no transaction can get through. Expects the idle state.
bool SdaHeldLow();

// A device holding SDA low lets go within this many clocks (UM10204, bus clear).
constexpr int kBusClearPulses = 9;

// Bus clear: with SDA released, clock pulses until CTS reads SDA high, at most
// kBusClearPulses; then a start and a stop with the clock high, so every device is idle.
// Returns the pulses it took (0 when SDA was free), nothing when SDA stayed low. Leaves the
// lines idle either way.
std::optional<int> BusClear();
// After BusClear gave up: whether SDA reads high once late_wait has passed, as through a
// port whose CTS follows late; then a start and a stop as BusClear sends them.
bool BusFreeLater(std::chrono::milliseconds late_wait);
