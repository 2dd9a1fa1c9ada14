#include "app/cli/cli_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "app/process/console_text.h"
#include "app/process/printable.h"
#include "port/port_status.h"

namespace {

volatile std::sig_atomic_t caught_signal = 0;

void OnEndingSignal(int signal_number) {
    caught_signal = signal_number;
    // A slow adapter's waits end: the transaction under way finishes at the calls' pace.
    InterruptLineOperations();
}

}  // namespace

void CatchEndingSignals() {
    std::signal(SIGINT, OnEndingSignal);
    std::signal(SIGTERM, OnEndingSignal);
#ifndef _WIN32
    std::signal(SIGHUP, OnEndingSignal);
    // A closed pipe: the write fails with EPIPE and the run ends here, not by the signal.
    std::signal(SIGPIPE, OnEndingSignal);
#endif
}

int CaughtSignal() {
    return caught_signal;
}

bool WaitUntilUnlessSignalled(std::chrono::steady_clock::time_point until) {
    using std::chrono::steady_clock;
    while (caught_signal == 0 && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<steady_clock::duration>(std::chrono::milliseconds(20),
                                                                     until - steady_clock::now()));
    }
    return caught_signal == 0;
}

void Complain(std::string_view message) {
    WriteText(stderr, "kolvaner-cli: " + Printable(message) + "\n");
}
