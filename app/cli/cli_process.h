// SPDX-License-Identifier: MIT
// What kolvaner-cli does as a process so that every way out closes the port properly.
#pragma once

#include <string_view>

// SIGINT, SIGTERM, SIGHUP and SIGPIPE end the run: the read under way finishes, any wait
// ends at once, and the port closes as after the last read.
void CatchEndingSignals();
// The signal that ended the run, 0 while none came.
int CaughtSignal();
// Waits in short slices; false when a signal came first.
bool WaitUnlessSignalled(int milliseconds);

// One line on stderr with the program's name, control characters shown escaped (\n, \x1b),
// so a message stays on its line whatever a path in it holds.
void Complain(std::string_view message);
