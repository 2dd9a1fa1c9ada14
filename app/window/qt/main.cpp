// SPDX-License-Identifier: MIT
// kolvaner: shows the compass bearing in large digits, refreshed twice a second.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/process/standard_descriptors.h"
#include "app/window/core/form1_core.h"
#include "app/window/core/window_arguments.h"
#include "app/window/qt/form1.h"
#include "app/window/qt/quit_signals.h"
#include "port/port_settings.h"

namespace {

QtMessageHandler qt_handler = nullptr;

// Qt cannot open a window (no display, no platform plugin): one line saying so and exit
// status 1, where Qt would abort. Qt's other messages pass as they are.
void ExitWithoutAWindow(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        qt_handler(type, context, message);
        return;
    }
    LogProblem(NoWindowText(message.section('\n', 0, 0).toStdString()));
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    KeepStandardDescriptors();
    // Before Qt starts: --help and --version need no display.
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const WindowArguments read = ReadWindowArguments(arguments);
    if (!read.answer.empty()) {
        std::fputs(read.answer.c_str(), read.exit_status == 0 ? stdout : stderr);
        return read.exit_status;
    }
    ConfigurePort(PortConfigFromEnvironment(read.port));
    // Qt takes its own options out; whatever else is left is ignored.
    qt_handler = qInstallMessageHandler(ExitWithoutAWindow);
    QApplication application(argc, argv);
    qInstallMessageHandler(qt_handler);
    QApplication::setDesktopFileName(QStringLiteral("kolvaner"));
    QIcon compass_rose;
    for (const int size : {16, 32, 48, 256}) {
        compass_rose.addFile(QStringLiteral(":/icons/kolvaner-%1.png").arg(size));
    }
    QApplication::setWindowIcon(compass_rose);
    Form1 form;
    CloseOnQuitSignals(form);
    form.Start();
    // A signal during the load's message box has closed the window already.
    return form.isVisible() ? QApplication::exec() : 0;
}
