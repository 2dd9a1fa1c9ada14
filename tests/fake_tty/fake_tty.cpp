// SPDX-License-Identifier: MIT
// A fake serial terminal for tests, loaded with LD_PRELOAD into a test process. It makes
// one path behave as a serial port whose modem lines drive the simulated bus:
//   KOLVANER_FAKE_TTY        the path that is a terminal (never a real device)
//   KOLVANER_FAKE_BUS        simulated bus options, as after "sim:" (default: the defaults)
//   KOLVANER_FAKE_LOG        file that gets one line per call the program makes on it
//   KOLVANER_FAKE_FAIL_AFTER modem-line calls that succeed before every call fails with EIO,
//                            as an unplugged USB adapter does
//   KOLVANER_FAKE_DENY       a path whose open fails with EACCES (tests run as root)
//   KOLVANER_FAKE_DELAY_US   microseconds each modem-line call takes, as on a USB adapter
// The fake's descriptor is a plain file at the fake path, so flock works on it between
// processes as on a real port. Everything else passes through to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "port/sim/sim_bus.h"

namespace {

template <typename Function>
Function* Real(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

struct FakeTerminal {
    int fd = -1;
    std::optional<SimBus> bus;
    termios settings{};
    long modem_calls = 0;
    long fail_after = -1;
    long delay_us = 0;
    bool dtr = true;
    bool rts = true;
    std::chrono::steady_clock::time_point opened;

    bool Failing() const { return fail_after >= 0 && modem_calls > fail_after; }
};

FakeTerminal fake;

// The line settings the fake starts with: a cooked terminal at 38400 baud.
termios CookedSettings() {
    termios settings{};
    settings.c_iflag = ICRNL | IXON;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS8 | CREAD | HUPCL;
    settings.c_lflag = ICANON | ECHO | ISIG;
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    return settings;
}

void Log(const std::string& line) {
    const char* path = Setting("KOLVANER_FAKE_LOG");
    if (path == nullptr) {
        return;
    }
    const int log = Real<int(const char*, int, ...)>("open")(
        path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const std::string text = line + "\n";
    if (log >= 0 && write(log, text.data(), text.size()) < 0) {
        std::perror("fake tty log");
    }
    close(log);
}

std::string Flags(int flags) {
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

std::string Describe(const termios& s) {
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

void SetLines(bool rts, bool dtr) {
    if (rts != fake.rts) {
        fake.rts = rts;
        fake.bus->SetClock(rts);
    }
    if (dtr != fake.dtr) {
        fake.dtr = dtr;
        fake.bus->SetData(dtr);
    }
}

// The call takes as long as the simulated adapter says, so the simulated clock and the
// program's own stay together.
void TakeTheCallsTime() {
    const std::chrono::nanoseconds until(fake.bus->Now());
    while (std::chrono::steady_clock::now() - fake.opened < until) {
    }
}

int Fail(int error) {
    errno = error;
    return -1;
}

int OpenFake(const char* path, int flags) {
    Log(std::string("open ") + Flags(flags));
    // A real descriptor, so the number is the program's own and close and flock work as usual.
    const int fd =
        Real<int(const char*, int, ...)>("open")(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    SimOptions options;
    const char* bus_options = Setting("KOLVANER_FAKE_BUS");
    if (fd < 0 || !ParseSimOptions(bus_options != nullptr ? bus_options : "", options).empty()) {
        return Fail(EIO);
    }
    fake.fd = fd;
    fake.bus.emplace(options);
    fake.settings = CookedSettings();
    fake.modem_calls = 0;
    fake.dtr = true;
    fake.rts = true;
    fake.opened = std::chrono::steady_clock::now();
    const char* fail_after = Setting("KOLVANER_FAKE_FAIL_AFTER");
    fake.fail_after = fail_after != nullptr ? std::atol(fail_after) : -1;
    const char* delay_us = Setting("KOLVANER_FAKE_DELAY_US");
    fake.delay_us = delay_us != nullptr ? std::atol(delay_us) : 0;
    return fd;
}

int OpenAny(const char* path, int flags, mode_t mode, const char* real_name) {
    const char* fake_path = Setting("KOLVANER_FAKE_TTY");
    const char* denied = Setting("KOLVANER_FAKE_DENY");
    if (path != nullptr && fake_path != nullptr && std::string(path) == fake_path) {
        return OpenFake(path, flags);
    }
    if (path != nullptr && denied != nullptr && std::string(path) == denied) {
        Log(std::string("open denied ") + Flags(flags));
        return Fail(EACCES);
    }
    return Real<int(const char*, int, ...)>(real_name)(path, flags, mode);
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

// One modem-line call on the bus: TIOCMBIS, TIOCMBIC, TIOCMSET or TIOCMGET.
int ModemLines(unsigned long request, int* lines) {
    ++fake.modem_calls;
    if (fake.delay_us > 0) {
        usleep(static_cast<useconds_t>(fake.delay_us));
    }
    std::string line = std::string("ioctl ") + ModemRequestName(request);
    if (request != TIOCMGET) {
        line += (*lines & TIOCM_RTS) != 0 ? " RTS" : "";
        line += (*lines & TIOCM_DTR) != 0 ? " DTR" : "";
    }
    if (fake.Failing()) {
        Log(line + " EIO");
        return Fail(EIO);
    }
    Log(line);
    const bool rts = (*lines & TIOCM_RTS) != 0;
    const bool dtr = (*lines & TIOCM_DTR) != 0;
    // The simulated clock catches up with the program's before the call.
    fake.bus->Now();
    switch (request) {
        case TIOCMGET:
            *lines = (fake.rts ? TIOCM_RTS : 0) | (fake.dtr ? TIOCM_DTR : 0) |
                     (fake.bus->Cts() ? TIOCM_CTS : 0);
            break;
        case TIOCMSET:
            SetLines(rts, dtr);
            break;
        default:
            SetLines(rts ? request == TIOCMBIS : fake.rts, dtr ? request == TIOCMBIS : fake.dtr);
            break;
    }
    TakeTheCallsTime();
    return 0;
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
    return fake.modem_calls;
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
    if (fd >= 0 && fd == fake.fd) {
        Log("close");
        fake.fd = -1;
        fake.bus.reset();
    }
    return Real<int(int)>("close")(fd);
}

FAKE_TTY_EXPORT int flock(int fd, int operation) {
    if (fd >= 0 && fd == fake.fd) {
        const int result = Real<int(int, int)>("flock")(fd, operation);
        const int error = errno;
        const std::string how = (operation & LOCK_EX) != 0   ? "LOCK_EX"
                                : (operation & LOCK_SH) != 0 ? "LOCK_SH"
                                                             : "LOCK_UN";
        Log("flock " + how + ((operation & LOCK_NB) != 0 ? "|LOCK_NB" : "") +
            (result != 0 ? " EWOULDBLOCK" : ""));
        errno = error;
        return result;
    }
    return Real<int(int, int)>("flock")(fd, operation);
}

FAKE_TTY_EXPORT int tcgetattr(int fd, termios* settings) {
    if (fd != fake.fd || fd < 0) {
        return Real<int(int, termios*)>("tcgetattr")(fd, settings);
    }
    Log("tcgetattr");
    if (fake.Failing()) {
        return Fail(EIO);
    }
    *settings = fake.settings;
    return 0;
}

FAKE_TTY_EXPORT int tcsetattr(int fd, int when, const termios* settings) {
    if (fd != fake.fd || fd < 0) {
        return Real<int(int, int, const termios*)>("tcsetattr")(fd, when, settings);
    }
    Log(std::string("tcsetattr ") + (when == TCSANOW ? "TCSANOW " : "other ") +
        Describe(*settings));
    if (fake.Failing()) {
        return Fail(EIO);
    }
    fake.settings = *settings;
    return 0;
}

FAKE_TTY_EXPORT int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (fd != fake.fd || fd < 0) {
        return Real<int(int, unsigned long, void*)>("ioctl")(fd, request, argument);
    }
    if (request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET) {
        return ModemLines(request, static_cast<int*>(argument));
    }
    const char* name = request == TIOCEXCL   ? "TIOCEXCL"
                       : request == TIOCNXCL ? "TIOCNXCL"
                                             : nullptr;
    Log(name != nullptr ? std::string("ioctl ") + name : "ioctl " + std::to_string(request));
    if (name == nullptr) {
        return Fail(ENOTTY);
    }
    return fake.Failing() ? Fail(EIO) : 0;
}

}  // extern "C"
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
