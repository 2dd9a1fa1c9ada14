// SPDX-License-Identifier: MIT
#include "tests/fake_tty/fake_tty_text.h"

#include <fcntl.h>
#include <sys/ioctl.h>

#include <cstdio>

namespace {

long Baud(speed_t speed) {
    switch (speed) {
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B115200:
            return 115200;
        default:
            return -1;
    }
}

}  // namespace

std::string OpenFlagsText(int flags) {
    std::string text = (flags & O_ACCMODE) == O_RDWR     ? "O_RDWR"
                       : (flags & O_ACCMODE) == O_WRONLY ? "O_WRONLY"
                                                         : "O_RDONLY";
    const struct {
        int flag;
        const char* name;
    } known[] = {{O_NOCTTY, "O_NOCTTY"}, {O_NONBLOCK, "O_NONBLOCK"}, {O_CLOEXEC, "O_CLOEXEC"},
                 {O_CREAT, "O_CREAT"},   {O_TRUNC, "O_TRUNC"},       {O_APPEND, "O_APPEND"}};
    for (const auto& entry : known) {
        if ((flags & entry.flag) != 0) {
            text += std::string("|") + entry.name;
        }
    }
    return text;
}

std::string SettingsText(const termios& s) {
    const auto bit = [](tcflag_t flags, tcflag_t mask) { return (flags & mask) != 0 ? 1 : 0; };
    const int size = (s.c_cflag & CSIZE) == CS8 ? 8 : (s.c_cflag & CSIZE) == CS7 ? 7 : 6;
    char text[256];
    std::snprintf(text, sizeof text,
                  "ispeed=%ld ospeed=%ld csize=%d parenb=%d cstopb=%d crtscts=%d clocal=%d "
                  "cread=%d icanon=%d echo=%d isig=%d ixon=%d ixoff=%d opost=%d vmin=%d vtime=%d",
                  Baud(cfgetispeed(&s)), Baud(cfgetospeed(&s)), size, bit(s.c_cflag, PARENB),
                  bit(s.c_cflag, CSTOPB), bit(s.c_cflag, CRTSCTS), bit(s.c_cflag, CLOCAL),
                  bit(s.c_cflag, CREAD), bit(s.c_lflag, ICANON), bit(s.c_lflag, ECHO),
                  bit(s.c_lflag, ISIG), bit(s.c_iflag, IXON), bit(s.c_iflag, IXOFF),
                  bit(s.c_oflag, OPOST), s.c_cc[VMIN], s.c_cc[VTIME]);
    return text;
}

const char* ModemRequestName(unsigned long request) {
    switch (request) {
        case TIOCMBIS:
            return "TIOCMBIS";
        case TIOCMBIC:
            return "TIOCMBIC";
        case TIOCMSET:
            return "TIOCMSET";
        default:
            return "TIOCMGET";
    }
}
