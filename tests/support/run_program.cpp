#include "tests/support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

ProgramRun RunProgram(const std::string& program, const std::string& arguments,
                      const std::string& environment) {
    const std::string err_path = "/tmp/kolvaner-run-" + std::to_string(getpid()) + ".err";
    const std::string command =
        environment + " '" + program + "' " + arguments + " 2>'" + err_path + "' </dev/null";
    ProgramRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        run.out += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err_file(err_path);
    run.err.assign(std::istreambuf_iterator<char>(err_file), {});
    std::remove(err_path.c_str());
    return run;
}
