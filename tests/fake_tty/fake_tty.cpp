// SPDX-License-Identifier: MIT
// A fake serial terminal for tests, loaded with LD_PRELOAD into a test process. It makes
// serial ports whose modem lines drive the simulated bus, one bus each:
//   KOLVANER_FAKE_TTY        a path that is a terminal (never a real device): its open makes
//                            a plain file there, so flock works on it between processes
//   KOLVANER_FAKE_BUS        its simulated bus options, as after "sim:" (default: the defaults)
//   KOLVANER_FAKE_PTYS       pseudo-terminals that get the modem lines of a serial port, as
//                            "PATH=OPTIONS PATH=OPTIONS": their opens are the system's, their
//                            descriptors are known by the device number (st_rdev), so a
//                            descriptor another process opened and passed on is one too. For
//                            a virtual machine's or Wine's serial port on a pty
//   KOLVANER_FAKE_LOG        file that gets one line per call the program makes on one (a
//                            pty's lines start with its path)
//   KOLVANER_FAKE_FAIL_AFTER modem-line calls that succeed before every call fails with EIO,
//                            as an unplugged USB adapter does
//   KOLVANER_FAKE_DENY       a path whose open fails with EACCES (tests run as root)
//   KOLVANER_FAKE_DELAY_US   microseconds each modem-line call takes, as on a USB adapter
// Inside Wine's server, which opens a port and hands the descriptor over, it does nothing.
// Everything else passes through to the C library.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>

#include "tests/fake_tty/fake_tty_terminal.h"
#include "tests/fake_tty/fake_tty_text.h"

namespace {

FakeTerminal file_fake;
std::deque<FakeTerminal> ptys;  // stable addresses
bool ptys_read = false;

bool InWineServer() {
    const std::string name = program_invocation_short_name;
    return name.rfind("wineserver", 0) == 0;
}

// KOLVANER_FAKE_PTYS, once: each pty with its bus, known by its device number.
void ReadPtys() {
    ptys_read = true;
    const char* list = FakeSetting("KOLVANER_FAKE_PTYS");
    if (list == nullptr || InWineServer()) {
        return;
    }
    std::istringstream entries(list);
    for (std::string entry; entries >> entry;) {
        const std::size_t equals = entry.find('=');
        const std::string path = entry.substr(0, equals);
        struct stat status {};
        if (equals == std::string::npos || stat(path.c_str(), &status) != 0 ||
            !S_ISCHR(status.st_mode)) {
            std::fprintf(stderr, "fake tty: '%s' is no pty (KOLVANER_FAKE_PTYS)\n", entry.c_str());
            std::abort();
        }
        FakeTerminal& terminal = ptys.emplace_back();
        terminal.log_prefix = path + " ";
        terminal.rdev = status.st_rdev;
        if (!StartBus(terminal, entry.c_str() + equals + 1)) {
            std::fprintf(stderr, "fake tty: bad bus options in '%s'\n", entry.c_str());
            std::abort();
        }
    }
}

// The fake a descriptor leads to, or nullptr for any other file.
FakeTerminal* FakeAt(int fd) {
    if (fd < 0) {
        return nullptr;
    }
    if (fd == file_fake.fd) {
        return &file_fake;
    }
    if (!ptys_read) {
        ReadPtys();
    }
    struct stat status {};
    if (ptys.empty() || fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return nullptr;
    }
    for (FakeTerminal& terminal : ptys) {
        if (terminal.rdev == status.st_rdev) {
            return &terminal;
        }
    }
    return nullptr;
}

int OpenFake(const char* path, int flags) {
    FakeLog(file_fake, std::string("open ") + OpenFlagsText(flags));
    // A real descriptor, so the number is the program's own and close and flock work as usual.
    const int fd =
        Real<int(const char*, int, ...)>("open")(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || !StartBus(file_fake, FakeSetting("KOLVANER_FAKE_BUS"))) {
        return FakeFail(EIO);
    }
    file_fake.fd = fd;
    return fd;
}

int OpenAny(const char* path, int flags, mode_t mode, const char* real_name) {
    const char* fake_path = FakeSetting("KOLVANER_FAKE_TTY");
    const char* denied = FakeSetting("KOLVANER_FAKE_DENY");
    if (path != nullptr && fake_path != nullptr && std::string(path) == fake_path) {
        return OpenFake(path, flags);
    }
    if (path != nullptr && denied != nullptr && std::string(path) == denied) {
        FakeLog(file_fake, std::string("open denied ") + OpenFlagsText(flags));
        return FakeFail(EACCES);
    }
    return Real<int(const char*, int, ...)>(real_name)(path, flags, mode);
}
bool TakesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

}  // namespace
#define FAKE_TTY_EXPORT __attribute__((visibility("default")))

// The C library's own declarations name their parameters in its reserved style.
// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name)
extern "C" {

// Modem-line calls made on the fake since it was opened, for benchmarks.
FAKE_TTY_EXPORT long KolvanerFakeModemCalls() {
    return file_fake.modem_calls;
}

FAKE_TTY_EXPORT int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAny(path, flags, mode, "open");
}

FAKE_TTY_EXPORT int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = TakesMode(flags) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenAny(path, flags, mode, "open64");
}

FAKE_TTY_EXPORT int close(int fd) {
    FakeTerminal* terminal = FakeAt(fd);
    if (terminal != nullptr) {
        FakeLog(*terminal, "close");
    }
    if (terminal == &file_fake) {
        file_fake.fd = -1;
        file_fake.bus.reset();
    }
    return Real<int(int)>("close")(fd);
}

FAKE_TTY_EXPORT int flock(int fd, int operation) {
    if (fd >= 0 && fd == file_fake.fd) {
        const int result = Real<int(int, int)>("flock")(fd, operation);
        const int error = errno;
        const std::string how = (operation & LOCK_EX) != 0   ? "LOCK_EX"
                                : (operation & LOCK_SH) != 0 ? "LOCK_SH"
                                                             : "LOCK_UN";
        FakeLog(file_fake, "flock " + how + ((operation & LOCK_NB) != 0 ? "|LOCK_NB" : "") +
                               (result != 0 ? " EWOULDBLOCK" : ""));
        errno = error;
        return result;
    }
    return Real<int(int, int)>("flock")(fd, operation);
}

FAKE_TTY_EXPORT int tcgetattr(int fd, termios* settings) {
    // A pty has terminal settings of its own.
    if (fd != file_fake.fd || fd < 0) {
        return Real<int(int, termios*)>("tcgetattr")(fd, settings);
    }
    FakeLog(file_fake, "tcgetattr");
    if (file_fake.Failing()) {
        return FakeFail(EIO);
    }
    *settings = file_fake.settings;
    return 0;
}

FAKE_TTY_EXPORT int tcsetattr(int fd, int when, const termios* settings) {
    if (fd != file_fake.fd || fd < 0) {
        return Real<int(int, int, const termios*)>("tcsetattr")(fd, when, settings);
    }
    FakeLog(file_fake, std::string("tcsetattr ") + (when == TCSANOW ? "TCSANOW " : "other ") +
                           SettingsText(*settings));
    if (file_fake.Failing()) {
        return FakeFail(EIO);
    }
    file_fake.settings = *settings;
    return 0;
}

FAKE_TTY_EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    const bool modem_lines =
        request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET;
    FakeTerminal* terminal = modem_lines || fd == file_fake.fd ? FakeAt(fd) : nullptr;
    if (terminal == nullptr) {
        return Real<int(int, unsigned long, void*)>("ioctl")(fd, request, argument);
    }
    if (modem_lines) {
        return ModemLines(*terminal, request, static_cast<int*>(argument));
    }
    const char* name = request == TIOCEXCL   ? "TIOCEXCL"
                       : request == TIOCNXCL ? "TIOCNXCL"
                                             : nullptr;
    FakeLog(file_fake,
            name != nullptr ? std::string("ioctl ") + name : "ioctl " + std::to_string(request));
    if (name == nullptr) {
        return FakeFail(ENOTTY);
    }
    return file_fake.Failing() ? FakeFail(EIO) : 0;
}

}  // extern "C"
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
