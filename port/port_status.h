// SPDX-License-Identifier: MIT
// What the port layer knows beyond the five entry points, for front ends that report it.
#pragma once

#include <string>

// OPENCOM succeeded and CLOSECOM has not run since.
bool PortIsOpen();
// A line operation failed after the open (an unplugged USB adapter): from then on the
// lines read as released and nothing is sent.
bool PortHasFailed();
// The port OPENCOM was last asked to open, as the user named it: KOLVANER_PORT, else the
// settings text's COMn.
const std::string& PortName();
// What went wrong, in one line without a program name: why the last OPENCOM failed, or
// which line call failed since and the system's reason. Empty while all is well.
const std::string& PortProblem();
// Why the bus trace (KOLVANER_TRACE) could not be opened or stopped short: the file and the
// system's reason, in one line without a program name. Empty while it records, or when none
// was asked for. Kept after CLOSECOM, for a failure on the last write.
const std::string& TraceProblem();
