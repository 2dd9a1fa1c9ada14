// The window program's message box: modal, OK only, titled with the program's name.
#include "bus/message_box.h"

#include <QMessageBox>
#include <QString>

#include <cstdio>

#include "port/port_status.h"

void ShowMessageBox(std::string_view text) {
    std::fprintf(stderr, "kolvaner: %s\n", PortProblem().c_str());
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kolvaner"),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok);
    box.exec();
}
