// SPDX-License-Identifier: MIT
// What the port layer knows beyond the five entry points, for front ends that report it.
//
// How the port layer reports failure. The five entry points (bus/port_lines.h) carry no
// reason: OPENCOM returns 0 when the port cannot be used; after a line call fails DTR and RTS
// do nothing and CTS reads 1 (released) until the next OPENCOM. The reason is read here, as
// one line without a program name: PortProblem, the system's reason captured at the failing
// call (never fetched later from errno); PortHasFailed and PortRefusedAfterOpen say which
// kind. Inside the layer a backend call returns false (-1 for CTS) with its reason kept by
// PortBackend::LastError, and a setup step (parsing a setting, opening) returns an empty
// string on success or one line naming the bad value and the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "port/pacing/line_pacing.h"

// OPENCOM succeeded and CLOSECOM has not run since.
bool PortIsOpen();
// A line operation failed after the open (an unplugged USB adapter): from then on the
// lines read as released and nothing is sent.
bool PortHasFailed();
// The last OPENCOM failed after the port opened: the port is there, but the bus cannot
// work through it (an adapter that does not report CTS, a line call that failed).
bool PortRefusedAfterOpen();
// The port OPENCOM was last asked to open, as the user named it (--port or KOLVANER_PORT,
// without spaces around it or a colon after it), else the settings text's COMn.
const std::string& PortName();
// What went wrong, in one line without a program name: why the last OPENCOM failed, or
// which line call failed since and the system's reason. Empty while all is well.
const std::string& PortProblem();
// Why the bus trace (KOLVANER_TRACE) could not be opened or stopped short: the file and the
// system's reason, in one line without a program name. Empty while it records, or when none
// was asked for. Kept after CLOSECOM, for a failure on the last write.
const std::string& TraceProblem();

// How the lines are paced on the open port, and what was measured: for kolvaner-cli
// check. Kept after a refused open, so the refusal can name the adapter.
struct PortTiming {
    std::string driver;                          // empty when unknown
    const Adapter* adapter = nullptr;            // the driver's adapter; nullptr when unknown
    std::int64_t line_call_ns = 0;               // one DTR or RTS call, on average
    std::int64_t cts_call_ns = 0;                // one CTS read, on average
    std::optional<std::int64_t> cts_latency_ns;  // CTS following DTR at worst, if measured
    LinePacing pacing;
};
PortTiming PortTimingFound();

// For a signal handler (async-signal-safe): from now until the next OPENCOM every line
// operation returns at once, as on a failed port, and a trace write waiting for its reader
// gives up, so a program told to end does not wait on a slow adapter or a stuck reader.
void InterruptLineOperations();

// For a signal handler (async-signal-safe): from now until the next OPENCOM no transaction
// starts: the start condition that would begin one from an idle bus is not sent, and the
// port reads and drives nothing more. The transaction under way goes on to its stop.
void HoldNewTransactions();
// True once HoldNewTransactions kept a transaction from starting.
bool PortHeldTransaction();
