// SPDX-License-Identifier: MIT
// The reading end of a FIFO in tests (POSIX): everything in it until its writer closes it.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// reader is opened O_NONBLOCK; its writer has opened the FIFO already.
inline std::string DrainUntilClosed(int reader) {
    std::string text;
    char buffer[4096];
    for (;;) {
        pollfd in{reader, POLLIN, 0};
        poll(&in, 1, 1000);
        const ssize_t got = read(reader, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EAGAIN) {
            return text;
        }
    }
}
