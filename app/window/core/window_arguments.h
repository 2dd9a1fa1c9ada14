// SPDX-License-Identifier: MIT
// The window program's command line. It has no options of its own: a stray argument (a
// shortcut's, a file dropped on the program) is ignored and the window opens as always.
#pragma once

#include <string_view>
#include <vector>

extern const char kWindowUsage[];
extern const char kWindowVersion[];

// The text --help or --version asks for, whichever comes first; empty when the window
// should open. The arguments are those after the program's name.
std::string_view HelpOrVersionText(const std::vector<std::string_view>& arguments);
