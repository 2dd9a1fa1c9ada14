// SPDX-License-Identifier: MIT
// What kolvaner-cli does as a process so that every way out closes the port properly.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

// Waits in short slices until then; false when a signal came first.
bool WaitUntilUnlessSignalled(std::chrono::steady_clock::time_point until);

// Writes the text to stdout. A reader that is slow is waited for; one that takes nothing is
// waited for only until an ending signal comes. False when the text could not be written
// (errno says why) or a signal cut the wait short.
bool Print(std::string_view text);

// One line on stderr with the program's name, control characters, bidirectional controls
// and bytes that are not UTF-8 shown escaped (\n, \x1b, \u202e, \xff), so a message stays on
// its line and shows as it is whatever a path in it holds.
void Complain(std::string_view message);
