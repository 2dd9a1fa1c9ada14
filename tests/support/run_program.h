// SPDX-License-Identifier: MIT
// Runs a program through the shell (cmd.exe on Windows) and collects what it printed and its
// exit status.
#pragma once

#include <string>

struct ProgramRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

// environment: NAME=value assignments (or a command such as timeout) put before it; POSIX
// shells only.
ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                      const std::string& environment = "");

struct CliRun {
    int status = -1;
    std::string output;  // stdout, then stderr after a "--" line
};

// kolvaner-cli (KOLVANER_CLI) with the arguments.
CliRun RunCli(const std::string& arguments, const std::string& environment = "");
