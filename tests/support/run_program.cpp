// SPDX-License-Identifier: MIT
#include "tests/support/run_program.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/support/temp_path.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                      const std::string& environment) {
    const std::string err_path = TempPath("run.err");
#ifdef _WIN32
    const std::string command = program + " " + arguments + " 2>\"" + err_path + "\"";
#else
    const std::string command =
        environment + " '" + program + "' " + arguments + " 2>'" + err_path + "' </dev/null";
#endif
    ProgramRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.out += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
#ifdef _WIN32
    run.status = status;
#else
    run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    std::ifstream err_file(err_path);
    run.err.assign(std::istreambuf_iterator<char>(err_file), {});
    err_file.close();
    std::remove(err_path.c_str());
    return run;
}

CliRun RunCli(const std::string& arguments, const std::string& environment) {
    const ProgramRun run = RunProgram(KOLVANER_CLI, arguments, environment);
    return {run.status, run.out + "--\n" + run.err};
}
