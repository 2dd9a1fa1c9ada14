// Runs a program through the shell and collects what it printed and its exit status.
#pragma once

#include <string>

struct ProgramRun {
    int status = -1;  // exit status, -1 when it did not exit normally
    std::string out;
    std::string err;
};

// environment: NAME=value assignments (or a command such as timeout) put before it.
ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                      const std::string& environment = "");
