// SPDX-License-Identifier: MIT
#include "app/process/ending_signals.h"

#include <csignal>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "port/port_status.h"

namespace {

volatile std::sig_atomic_t caught_signal = 0;
volatile std::sig_atomic_t lines_stopped = 0;
void (*volatile then_call)(int) = nullptr;

void OnEndingSignal(int signal_number) {
    if (caught_signal == 0) {
        caught_signal = signal_number;
        HoldNewTransactions();
#ifndef _WIN32
        // SIGALRM, caught here too, comes back as the second signal.
        alarm(1);
#endif
    } else {
        lines_stopped = 1;
        InterruptLineOperations();
    }
    if (then_call != nullptr) {
        then_call(signal_number);
    }
}

}  // namespace

void CatchEndingSignals(void (*then)(int)) {
    then_call = then;
#ifdef _WIN32
    std::signal(SIGINT, OnEndingSignal);
    std::signal(SIGTERM, OnEndingSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal_number : {
             SIGHUP,
             SIGINT,
             SIGQUIT,
             SIGTERM,
             SIGPIPE,
             SIGALRM,
             SIGUSR1,
             SIGUSR2,
             SIGXCPU,
             SIGXFSZ,
             SIGVTALRM,
             SIGPROF,
             SIGIO,
#ifdef SIGSTKFLT
             SIGSTKFLT,
#endif
#ifdef SIGPWR
             SIGPWR,
#endif
         }) {
        sigaction(signal_number, &action, nullptr);
    }
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        sigaction(signal_number, &action, nullptr);
    }
#endif
}

int CaughtSignal() {
    return caught_signal;
}

const volatile std::sig_atomic_t* CaughtSignalFlag() {
    return &caught_signal;
}

bool LinesStopped() {
    return lines_stopped != 0;
}
