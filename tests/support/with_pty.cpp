// SPDX-License-Identifier: MIT
// Runs a command with a new pseudo-terminal's path in KOLVANER_PTY, holding its master open
// until the command ends, so that a program under test can have the pty as its serial port.
//   with_pty COMMAND [ARGUMENT...]
// Exits with the command's status (1 when there is no pty, 127 when it cannot run).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: with_pty COMMAND [ARGUMENT...]\n", stderr);
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        setenv("KOLVANER_PTY", ptsname(master), 1) != 0) {
        std::perror("with_pty: no pty");
        return 1;
    }
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::perror("with_pty");
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        std::perror("with_pty");
        return 1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
