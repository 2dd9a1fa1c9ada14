// SPDX-License-Identifier: MIT
#include "tests/fake_tty/fake_tty_terminal.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "tests/fake_tty/fake_tty_text.h"

const char* FakeSetting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

namespace {

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
    const std::chrono::nanoseconds until(terminal.pace.CatchUp(*terminal.bus));
    while (std::chrono::steady_clock::now() - terminal.opened < until) {
    }
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

// A TIOCMSET right after a read: that read was the host's read-modify-write, part of the
// change (a program changing one line with TIOCMBIS or TIOCMBIC needs no read).
void ForgetReadBeforeChange(FakeTerminal& terminal) {
    if (terminal.answer_before_read) {
        terminal.late_answer = *terminal.answer_before_read;
    }
}

}  // namespace

void FakeLog(const FakeTerminal& terminal, const std::string& line) {
    const char* path = FakeSetting("KOLVANER_FAKE_LOG");
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
    terminal.late_cts = options.cts_late;
    options.cts_late = false;
    terminal.pace = HostPace();
    terminal.bus.emplace(options);
    terminal.late_answer = true;
    terminal.answer_before_read.reset();
    terminal.settings = CookedSettings();
    terminal.modem_calls = 0;
    terminal.dtr = true;
    terminal.rts = true;
    terminal.opened = std::chrono::steady_clock::now();
    const char* fail_after = FakeSetting("KOLVANER_FAKE_FAIL_AFTER");
    terminal.fail_after = fail_after != nullptr ? std::atol(fail_after) : -1;
    const char* delay_us = FakeSetting("KOLVANER_FAKE_DELAY_US");
    terminal.delay_us = delay_us != nullptr ? std::atol(delay_us) : 0;
    return true;
}
int FakeFail(int error) {
    errno = error;
    return -1;
}

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
        FakeLog(terminal, line + " EIO");
        return FakeFail(EIO);
    }
    FakeLog(terminal, line);
    const bool rts = (*lines & TIOCM_RTS) != 0;
    const bool dtr = (*lines & TIOCM_DTR) != 0;
    // The simulated clock catches up with the program's before the call.
    terminal.pace.CatchUp(*terminal.bus);
    if (request == TIOCMGET) {
        const bool cts = ReadCts(terminal);
        *lines =
            (terminal.rts ? TIOCM_RTS : 0) | (terminal.dtr ? TIOCM_DTR : 0) | (cts ? TIOCM_CTS : 0);
    } else {
        if (request == TIOCMSET) {
            ForgetReadBeforeChange(terminal);
            SetLines(terminal, rts, dtr);
        } else {
            SetLines(terminal, rts ? request == TIOCMBIS : terminal.rts,
                     dtr ? request == TIOCMBIS : terminal.dtr);
        }
        terminal.answer_before_read.reset();
    }
    TakeTheCallsTime(terminal);
    return 0;
}
