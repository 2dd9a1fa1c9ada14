#include "app/cli/cli_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t caught_signal = 0;

void OnEndingSignal(int signal_number) {
    caught_signal = signal_number;
}

std::string Printable(std::string_view text) {
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
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

bool WaitUnlessSignalled(int milliseconds) {
    using std::chrono::steady_clock;
    const auto until = steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (caught_signal == 0 && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<steady_clock::duration>(std::chrono::milliseconds(20),
                                                                     until - steady_clock::now()));
    }
    return caught_signal == 0;
}

void Complain(std::string_view message) {
    std::fprintf(stderr, "kolvaner-cli: %s\n", Printable(message).c_str());
}
