// SPDX-License-Identifier: MIT
// Text from outside (a path, a port name) put into a message line.
#pragma once

#include <string>
#include <string_view>

// The text with control characters shown escaped (\n, \t, \x1b), so a message stays on its
// one line and a terminal takes no escape sequence from a file name.
std::string Printable(std::string_view text);
