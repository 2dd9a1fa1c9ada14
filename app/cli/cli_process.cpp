// SPDX-License-Identifier: MIT
#include "app/cli/cli_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#ifndef _WIN32
#include <unistd.h>

#include <cerrno>
#include <climits>
#endif

#include "app/process/console_text.h"
#include "app/process/ending_signals.h"
#include "app/process/printable.h"
#include "port/trace/bus_trace.h"

namespace {

#ifdef _WIN32
// A console gets the text as UTF-16, a file or a pipe the UTF-8 bytes.
bool WriteAll(std::FILE* stream, std::string_view text) {
    WriteText(stream, text);
    return std::ferror(stream) == 0 && std::fflush(stream) == 0;
}
#else
// The descriptor is shared with the shell and other programs, so it stays blocking: poll says
// when a pipe has room for PIPE_BUF bytes, and pieces no larger go out without waiting. A
// slow reader is waited for; once a signal has come, one that takes nothing for a second is
// not reading, and the program ends without the rest.
bool WriteAll(std::FILE* stream, std::string_view text) {
    const int fd = fileno(stream);
    while (!text.empty()) {
        if (!WaitForRoom(fd, CaughtSignalFlag())) {
            return false;
        }
        const ssize_t written =
            write(fd, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
        if (written < 0 && errno != EINTR && errno != EAGAIN) {
            return false;
        }
        text.remove_prefix(written > 0 ? static_cast<std::size_t>(written) : 0);
    }
    return true;
}
#endif

}  // namespace

bool WaitUntilUnlessSignalled(std::chrono::steady_clock::time_point until) {
    using std::chrono::steady_clock;
    while (CaughtSignal() == 0 && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<steady_clock::duration>(std::chrono::milliseconds(20),
                                                                     until - steady_clock::now()));
    }
    return CaughtSignal() == 0;
}

bool Print(std::string_view text) {
    return WriteAll(stdout, text);
}

void Complain(std::string_view message) {
    const std::string line = "kolvaner-cli: " + Printable(message) + "\n";
    WriteAll(stderr, line);
}
