// kolvaner: shows the compass bearing in large digits, refreshed twice a second.
#include <QApplication>
#include <QIcon>

#include <csignal>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/process/environment.h"
#include "app/process/standard_descriptors.h"
#include "app/window/core/window_arguments.h"
#include "app/window/qt/form1.h"
#include "app/window/qt/quit_signals.h"

int main(int argc, char** argv) {
    KeepStandardDescriptors();
    // Before Qt starts: --help and --version need no display.
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const WindowArguments read = ReadWindowArguments(arguments);
    if (!read.answer.empty()) {
        std::fputs(read.answer.c_str(), read.exit_status == 0 ? stdout : stderr);
        return read.exit_status;
    }
    if (read.port) {
        SetEnvironment("KOLVANER_PORT", *read.port);
    }
    // Qt takes its own options out; whatever else is left is ignored.
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("kolvaner"));
    QIcon compass_rose;
    for (const int size : {16, 32, 48, 256}) {
        compass_rose.addFile(QStringLiteral(":/icons/kolvaner-%1.png").arg(size));
    }
    QApplication::setWindowIcon(compass_rose);
    // A trace into a pipe whose reader has gone: the write fails and the trace stops, the
    // window goes on.
    std::signal(SIGPIPE, SIG_IGN);
    Form1 form;
    CloseOnQuitSignals(form);
    form.Start();
    // A signal during the load's message box has closed the window already.
    return form.isVisible() ? QApplication::exec() : 0;
}
