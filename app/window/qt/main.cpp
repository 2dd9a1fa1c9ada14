// kolvaner: shows the compass bearing in large digits, refreshed twice a second.
#include <QApplication>
#include <QIcon>
#include <QStringList>

#include <cstdio>

#include "app/window/qt/form1.h"
#include "app/window/qt/quit_signals.h"

int main(int argc, char** argv) {
    constexpr int kUsageError = 2;
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("kolvaner"));
    QIcon compass_rose;
    for (const int size : {16, 32, 48, 256}) {
        compass_rose.addFile(QStringLiteral(":/icons/kolvaner-%1.png").arg(size));
    }
    QApplication::setWindowIcon(compass_rose);
    // Qt has taken its own options out; the program has none.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        std::fprintf(stderr,
                     "kolvaner: unexpected argument '%s'\n"
                     "Usage: kolvaner (the port comes from KOLVANER_PORT, e.g. sim or "
                     "/dev/ttyUSB0)\n",
                     qUtf8Printable(arguments.at(1)));
        return kUsageError;
    }
    Form1 form;
    CloseOnQuitSignals(form);
    form.Start();
    // A signal during the load's message box has closed the window already.
    return form.isVisible() ? QApplication::exec() : 0;
}
