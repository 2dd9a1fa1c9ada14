// SPDX-License-Identifier: MIT
// Text from outside (a path, a port name) put into a message line.
#pragma once

#include <string>
#include <string_view>

// The text as UTF-8 with every control shown escaped, so a message stays on its one line and
// a terminal takes no escape sequence or reordering from a file name: C0 controls and DEL as
// \n, \t or \x1b, C1 controls and the bidirectional controls as \u009b or \u202e, and each
// byte that is not part of well-formed UTF-8 as \xff.
std::string Printable(std::string_view text);
