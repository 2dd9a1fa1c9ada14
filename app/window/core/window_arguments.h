// SPDX-License-Identifier: MIT
// The window program's command line: --port PORT (or --port=PORT) chooses the port ahead of
// KOLVANER_PORT, --help and --version answer instead of opening the window. Any other
// argument (a shortcut's, a file dropped on the program) is ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern const char kWindowUsage[];
// --help's text when it is shown in a message box rather than printed.
extern const char kWindowHelpBox[];
extern const char kWindowVersion[];

struct WindowArguments {
    // What to show instead of opening the window: the usage, the version, or why the
    // arguments are wrong ("kolvaner: ..."). Empty when the window opens.
    std::string answer;
    int exit_status = 0;  // 2 for wrong arguments
    std::optional<std::string> port;
};

// The arguments after the program's name. --help or --version, whichever comes first,
// answers; the last --port counts.
WindowArguments ReadWindowArguments(const std::vector<std::string_view>& arguments);
