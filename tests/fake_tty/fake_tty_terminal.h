// SPDX-License-Identifier: MIT
// One port of the fake serial terminal: its simulated bus, the lines the program left set,
// and what a modem-line call does on it.
#pragma once

#include <dlfcn.h>
#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <optional>
#include <string>

#include "port/sim/sim_bus.h"

// The C library's own function, past the fake's.
template <typename Function>
Function* Real(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

// The environment variable's value; nullptr when it is unset or empty.
const char* FakeSetting(const char* name);

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
    // A late CTS reports what the previous read saw. A read just before a TIOCMSET is the
    // host's read-modify-write (QEMU, Wine), not the master's: it does not count.
    bool late_cts = false;
    bool late_answer = true;
    std::optional<bool> answer_before_read;
    HostPace pace;  // keeps the simulated clock up with the program's, since the bus was made
    std::chrono::steady_clock::time_point opened;

    bool Failing() const { return fail_after >= 0 && modem_calls > fail_after; }
};

// Appends a line to KOLVANER_FAKE_LOG, if set.
void FakeLog(const FakeTerminal& terminal, const std::string& line);
// A new bus with the chips the options name; false when they are not bus options.
bool StartBus(FakeTerminal& terminal, const char* bus_options);
// -1 with errno set to error.
int FakeFail(int error);
// One modem-line call on the bus: TIOCMBIS, TIOCMBIC, TIOCMSET or TIOCMGET.
int ModemLines(FakeTerminal& terminal, unsigned long request, int* lines);
