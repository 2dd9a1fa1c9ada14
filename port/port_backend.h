// SPDX-License-Identifier: MIT
// What the port's lines go to: the simulated bus or the system's serial port, one at a
// time, and the clock that paces them (simulated time on the simulated bus, the host's
// monotonic clock on a real port).
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

#include "port/port_settings.h"

class SimBus;

enum class Line { dtr, rts };

// Opens the port the user named: "sim[:OPTIONS]" or a device. Empty on success, otherwise
// one line naming the port and the reason.
std::string BackendOpen(const std::string& port, const PortSettings& settings);
void BackendClose();
bool BackendIsOpen();
// The simulated bus while it is the backend, else nullptr.
SimBus* BackendSimBus();
// The adapter's driver: Linux's name for it, Windows' service, or the simulated
// adapter's; empty when unknown.
const std::string& BackendDriver();

// One system call (or simulated call) each; false, or -1 for CTS, when it failed.
bool BackendSetLine(Line line, bool high);
int BackendCts();
std::string BackendLastError();

// Nanoseconds since the open, and a wait until then; once BackendInterrupt has been called
// a real port's waits end at once.
std::int64_t BackendNow();
// The clock as the last call returned: on the simulated bus where the call's cost left it,
// however far a slow host fell behind meanwhile, so a call is measured at what it costs.
std::int64_t BackendAfterCall();
void BackendWaitUntil(std::int64_t time);
// Async-signal-safe.
void BackendInterrupt();
bool BackendInterrupted();
// The flag BackendInterrupt sets, for a trace write that must give up on its reader.
const volatile std::sig_atomic_t* BackendInterruptFlag();
