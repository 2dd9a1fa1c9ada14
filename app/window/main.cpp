// kolvaner: shows the compass bearing in large digits, refreshed twice a second.
#include <QApplication>
#include <QStringList>

#include <cstdio>

#include "app/window/form1.h"

int main(int argc, char** argv) {
    constexpr int kUsageError = 2;
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("kolvaner"));
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
    form.Start();
    return QApplication::exec();
}
