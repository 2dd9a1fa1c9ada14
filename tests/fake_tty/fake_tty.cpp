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
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <sstream>
#include <string>

#include "port/sim/sim_bus.h"
#include "tests/fake_tty/fake_tty_text.h"

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
    std::string log_prefix;
    dev_t rdev = 0;  // a pty's device number; 0 for the file at KOLVANER_FAKE_TTY
    int fd = -1;     // the file's descriptor
    std::optional<SimBus> bus;
    termios settings{};
    long modem_calls = 0;
    long fail_after = -1;
    long delay_us = 0;
    bool dtr = true;
    bool rts = true;
    // A late CTS reports what the previous read saw. A read just before a line change is
    // the host's read-modify-write (QEMU, Wine), not the master's: it does not count.
    bool late_cts = false;
    bool late_answer = true;
    std::optional<bool> answer_before_read;
    std::chrono::steady_clock::time_point opened;

    bool Failing() const { return fail_after >= 0 && modem_calls > fail_after; }
};

FakeTerminal file_fake;
std::deque<FakeTerminal> ptys;  // stable addresses
bool ptys_read = false;

bool InWineServer() {
    const std::string name = program_invocation_short_name;
    return name.rfind("wineserver", 0) == 0;
}

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

void Log(const FakeTerminal& terminal, const std::string& line) {
    const char* path = Setting("KOLVANER_FAKE_LOG");
    if (path == nullptr) {
        return;
    }
    const int log = Real<int(const char*, int, ...)>("open")(
        path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    const std::string text = terminal.log_prefix + line + "\n";
    if (log >= 0 && write(log, text.data(), text.size()) < 0) {
        std::perror("fake tty log");
    }
    Real<int(int)>("close")(log);
}

// A new bus with the chips the options name; false when they name none that exist.
bool StartBus(FakeTerminal& terminal, const char* bus_options) {
    SimOptions options;
    if (!ParseSimOptions(bus_options != nullptr ? bus_options : "", options).empty()) {
        return false;
    }
    terminal.late_cts = options.cts == SimOptions::Cts::late;
    if (terminal.late_cts) {
        options.cts = SimOptions::Cts::follows;
    }
    terminal.bus.emplace(options);
    terminal.late_answer = true;
    terminal.answer_before_read.reset();
    terminal.settings = CookedSettings();
    terminal.modem_calls = 0;
    terminal.dtr = true;
    terminal.rts = true;
    terminal.opened = std::chrono::steady_clock::now();
    const char* fail_after = Setting("KOLVANER_FAKE_FAIL_AFTER");
    terminal.fail_after = fail_after != nullptr ? std::atol(fail_after) : -1;
    const char* delay_us = Setting("KOLVANER_FAKE_DELAY_US");
    terminal.delay_us = delay_us != nullptr ? std::atol(delay_us) : 0;
    return true;
}

// KOLVANER_FAKE_PTYS, once: each pty with its bus, known by its device number.
void ReadPtys() {
    ptys_read = true;
    const char* list = Setting("KOLVANER_FAKE_PTYS");
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

void SetLines(FakeTerminal& terminal, bool rts, bool dtr) {
    if (rts != terminal.rts) {
        terminal.rts = rts;
        terminal.bus->SetClock(rts);
    }
    if (dtr != terminal.dtr) {
        terminal.dtr = dtr;
        terminal.bus->SetData(dtr);
    }
}

// The call takes as long as the simulated adapter says, so the simulated clock and the
// program's own stay together.
void TakeTheCallsTime(FakeTerminal& terminal) {
    const std::chrono::nanoseconds until(terminal.bus->Now());
    while (std::chrono::steady_clock::now() - terminal.opened < until) {
    }
}

int Fail(int error) {
    errno = error;
    return -1;
}

// What the adapter's CTS input reports now, for a TIOCMGET.
bool ReadCts(FakeTerminal& terminal) {
    const bool level = terminal.bus->Cts();
    if (!terminal.late_cts) {
        return level;
    }
    const bool answer = terminal.late_answer;
    terminal.answer_before_read = terminal.late_answer;
    terminal.late_answer = level;
    return answer;
}

// A line change right after a read: that read was part of the change.
void ForgetReadBeforeChange(FakeTerminal& terminal) {
    if (terminal.answer_before_read) {
        terminal.late_answer = *terminal.answer_before_read;
    }
}

int OpenFake(const char* path, int flags) {
    Log(file_fake, std::string("open ") + OpenFlagsText(flags));
    // A real descriptor, so the number is the program's own and close and flock work as usual.
    const int fd =
        Real<int(const char*, int, ...)>("open")(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || !StartBus(file_fake, Setting("KOLVANER_FAKE_BUS"))) {
        return Fail(EIO);
    }
    file_fake.fd = fd;
    return fd;
}

int OpenAny(const char* path, int flags, mode_t mode, const char* real_name) {
    const char* fake_path = Setting("KOLVANER_FAKE_TTY");
    const char* denied = Setting("KOLVANER_FAKE_DENY");
    if (path != nullptr && fake_path != nullptr && std::string(path) == fake_path) {
        return OpenFake(path, flags);
    }
    if (path != nullptr && denied != nullptr && std::string(path) == denied) {
        Log(file_fake, std::string("open denied ") + OpenFlagsText(flags));
        return Fail(EACCES);
    }
    return Real<int(const char*, int, ...)>(real_name)(path, flags, mode);
}

// One modem-line call on the bus: TIOCMBIS, TIOCMBIC, TIOCMSET or TIOCMGET.
int ModemLines(FakeTerminal& terminal, unsigned long request, int* lines) {
    ++terminal.modem_calls;
    if (terminal.delay_us > 0) {
        usleep(static_cast<useconds_t>(terminal.delay_us));
    }
    std::string line = std::string("ioctl ") + ModemRequestName(request);
    if (request != TIOCMGET) {
        line += (*lines & TIOCM_RTS) != 0 ? " RTS" : "";
        line += (*lines & TIOCM_DTR) != 0 ? " DTR" : "";
    }
    if (terminal.Failing()) {
        Log(terminal, line + " EIO");
        return Fail(EIO);
    }
    Log(terminal, line);
    const bool rts = (*lines & TIOCM_RTS) != 0;
    const bool dtr = (*lines & TIOCM_DTR) != 0;
    // The simulated clock catches up with the program's before the call.
    terminal.bus->Now();
    if (request == TIOCMGET) {
        const bool cts = ReadCts(terminal);
        *lines =
            (terminal.rts ? TIOCM_RTS : 0) | (terminal.dtr ? TIOCM_DTR : 0) | (cts ? TIOCM_CTS : 0);
    } else {
        ForgetReadBeforeChange(terminal);
        terminal.answer_before_read.reset();
        if (request == TIOCMSET) {
            SetLines(terminal, rts, dtr);
        } else {
            SetLines(terminal, rts ? request == TIOCMBIS : terminal.rts,
                     dtr ? request == TIOCMBIS : terminal.dtr);
        }
    }
    TakeTheCallsTime(terminal);
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
        Log(*terminal, "close");
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
        Log(file_fake, "flock " + how + ((operation & LOCK_NB) != 0 ? "|LOCK_NB" : "") +
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
    Log(file_fake, "tcgetattr");
    if (file_fake.Failing()) {
        return Fail(EIO);
    }
    *settings = file_fake.settings;
    return 0;
}

FAKE_TTY_EXPORT int tcsetattr(int fd, int when, const termios* settings) {
    if (fd != file_fake.fd || fd < 0) {
        return Real<int(int, int, const termios*)>("tcsetattr")(fd, when, settings);
    }
    Log(file_fake, std::string("tcsetattr ") + (when == TCSANOW ? "TCSANOW " : "other ") +
                       SettingsText(*settings));
    if (file_fake.Failing()) {
        return Fail(EIO);
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
    Log(file_fake,
        name != nullptr ? std::string("ioctl ") + name : "ioctl " + std::to_string(request));
    if (name == nullptr) {
        return Fail(ENOTTY);
    }
    return file_fake.Failing() ? Fail(EIO) : 0;
}

}  // extern "C"
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
