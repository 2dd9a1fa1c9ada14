// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "port/serial/serial_line.h"

namespace {

int port_fd = -1;
termios saved_settings{};

speed_t BaudConstant(int baud) {
    constexpr struct {
        int baud;
        speed_t speed;
    } kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
    for (const auto& known : kSpeeds) {
        if (known.baud == baud) {
            return known.speed;
        }
    }
    return B0;
}

constexpr char kInUse[] = "the port is in use by another program";

// As ls -l shows them: crw-rw---- for a serial device that its group may use.
std::string ModeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : "-";
    const char letters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        text += (mode & (0400U >> bit)) != 0 ? letters[bit] : '-';
    }
    return text;
}

// Joining the device's group helps only when that group may read and write it and is not
// root's; otherwise say what the permissions are.
std::string PermissionHint(const std::string& device) {
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) {
        return {};
    }
    const group* owner_group = getgrgid(info.st_gid);
    const passwd* owner = getpwuid(info.st_uid);
    const std::string group_name =
        owner_group != nullptr ? owner_group->gr_name : std::to_string(info.st_gid);
    const std::string user_name = owner != nullptr ? owner->pw_name : std::to_string(info.st_uid);
    const bool group_may_use = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (group_may_use && info.st_gid != 0) {
        return " (join the group '" + group_name + "' that may use it: sudo usermod -aG " +
               group_name + " $USER, then log in again)";
    }
    return " (permissions " + ModeText(info.st_mode) + ", owner " + user_name + ", group " +
           group_name + ")";
}

std::string OpenFailure(const std::string& device, int error) {
    if (error == EBUSY) {
        // A port another program opened with TIOCEXCL.
        return "cannot open " + device + ": " + kInUse + " (" + std::strerror(error) + ")";
    }
    const std::string hint = error == EACCES ? PermissionHint(device) : "";
    return "cannot open " + device + ": " + std::strerror(error) + hint;
}

std::string Refuse(int fd, const std::string& device, const char* reason) {
    close(fd);
    return "cannot use " + device + ": " + reason;
}

// A port this program holds, refused before its settings changed: lines down, released.
std::string RefuseHeld(const std::string& device, const char* reason) {
    LowerLines();
    ioctl(port_fd, TIOCNXCL);
    return Refuse(std::exchange(port_fd, -1), device, reason);
}

// 8 data bits or fewer, the parity and stop bits asked for, no flow control, raw bytes.
termios LineSettings(termios settings, const PortSettings& wanted, speed_t speed) {
    cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD;
    constexpr tcflag_t kCharacterSizes[] = {CS5, CS6, CS7, CS8};
    settings.c_cflag |= kCharacterSizes[std::clamp(wanted.data_bits, 5, 8) - 5];
    if (wanted.parity != 'N') {
        settings.c_cflag |= PARENB;
    }
    if (wanted.parity == 'O') {
        settings.c_cflag |= PARODD;
    }
    if (wanted.stop_bits == 2) {
        settings.c_cflag |= CSTOPB;
    }
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    return settings;
}

}  // namespace

std::string SystemSetLine(Line line, bool high) {
    int bit = line == Line::rts ? TIOCM_RTS : TIOCM_DTR;
    if (ioctl(port_fd, high ? TIOCMBIS : TIOCMBIC, &bit) != 0) {
        return std::strerror(errno);
    }
    return {};
}

// Half a period of the slowest clock.
void PauseBetweenLines() {
    constexpr timespec kLinesApart{0, 500'000};
    nanosleep(&kLinesApart, nullptr);
}

std::string SerialOpen(const std::string& device, const PortSettings& settings) {
    const speed_t speed = BaudConstant(settings.baud);
    if (speed == B0) {
        return "cannot use " + device + ": unsupported baud rate " + std::to_string(settings.baud);
    }
    const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return OpenFailure(device, errno);
    }
    termios previous{};
    if (tcgetattr(fd, &previous) != 0) {
        return Refuse(fd, device, "not a terminal");
    }
    // TIOCEXCL does not stop root; every program that keeps to the advisory lock is.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return Refuse(fd, device, errno == EWOULDBLOCK ? kInUse : std::strerror(errno));
    }
    ForgetLineState();
    port_fd = fd;
    const termios wanted = LineSettings(previous, settings, speed);
    if (ioctl(fd, TIOCEXCL) != 0 || tcsetattr(fd, TCSANOW, &wanted) != 0) {
        const int error = errno;
        return RefuseHeld(device, std::strerror(error));
    }
    saved_settings = previous;
    return {};
}

void SerialClose() {
    if (port_fd < 0) {
        return;
    }
    LowerLines();
    // Without hardware flow control, which would hand RTS to the driver or the chip (an
    // FTDI chip drives RTS itself then, ftdi_sio.c FTDI_SIO_RTS_CTS_HS) and raise it again.
    termios previous = saved_settings;
    previous.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tcsetattr(port_fd, TCSANOW, &previous);
    ioctl(port_fd, TIOCNXCL);
    close(port_fd);
    port_fd = -1;
}

int SerialCts() {
    int lines = 0;
    if (ioctl(port_fd, TIOCMGET, &lines) != 0) {
        LineCallFailed(std::strerror(errno));
        return -1;
    }
    return (lines & TIOCM_CTS) != 0 ? 1 : 0;
}
