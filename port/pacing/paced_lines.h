// SPDX-License-Identifier: MIT
// The backend's line calls, spaced in time so the chips see standard-mode I2C: a change no
// sooner than half a period after the last change, a CTS read no sooner than half a period
// after the last change nor before the adapter has had time to report it.
#pragma once

#include <cstdint>

#include "port/pacing/line_pacing.h"
#include "port/port_backend.h"

// A newly opened port: no line level known yet, nothing measured.
void StartPacing(const LinePacing& pacing);
void SetPacing(const LinePacing& pacing);
const LinePacing& Pacing();

// False, or -1 for CTS, when the call failed. A call that leaves a line where it is goes
// out at once: the pins see no edge.
bool PacedSetLine(Line line, bool high);
int PacedCts();

// What one call took on average so far.
std::int64_t LineCallNs();
std::int64_t CtsCallNs();
