// SPDX-License-Identifier: MIT
// The window program's command line: --port PORT (or --port=PORT) chooses the port ahead of
// KOLVANER_PORT, --help (on Windows also /?) and --version answer instead of opening the
// window. Any other argument (a shortcut's, a file dropped on the program) is ignored.
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
    // What is wrong with the arguments, for the usage-error box; empty when nothing is.
    std::string problem;
    std::optional<std::string> port;
};

// The arguments after the program's name. --help or --version, whichever comes first,
// answers; the last --port counts.
WindowArguments ReadWindowArguments(const std::vector<std::string_view>& arguments);

// The answer as a message box shows it to someone who started the program from a shortcut
// (program_path, the program's own file, is what the shortcut's Target names): the help
// written for the box, the version, or what is wrong in the Target and a Target that works.
std::string AnswerBoxText(const WindowArguments& read, std::string_view program_path,
                          std::string_view example_port);

// The line told when no window can be opened; reason says why.
std::string NoWindowText(std::string_view reason);
