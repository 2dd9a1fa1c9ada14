// SPDX-License-Identifier: MIT
#include "app/window/qt/quit_signals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "app/process/ending_signals.h"

namespace {

// The handler only writes the signal's number into this pipe; the event loop reads it.
int signal_pipe[2] = {-1, -1};

void WriteToPipe(int signal_number) {
    const int saved_errno = errno;
    const char number = static_cast<char>(signal_number);
    // A full pipe already holds a pending close.
    [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &number, 1);
    errno = saved_errno;
}

void CloseWindow(QWidget& window) {
    char numbers[16];
    while (read(signal_pipe[0], numbers, sizeof numbers) > 0) {
    }
    // A box of the load (the failed open) would hold the window's start until OK.
    if (QWidget* box = QApplication::activeModalWidget(); box != nullptr && box != &window) {
        box->close();
    }
    window.close();
}

}  // namespace

void CloseOnQuitSignals(QWidget& window) {
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window,
                         [&window] { CloseWindow(window); });
        CatchEndingSignals(WriteToPipe);
    }
    // A trace into a pipe whose reader has gone: the write fails and the trace stops, the
    // window goes on.
    signal(SIGPIPE, SIG_IGN);
}
