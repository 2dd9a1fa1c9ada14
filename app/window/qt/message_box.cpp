// SPDX-License-Identifier: MIT
// The window program's message box: modal, OK only, titled with the program's name.
#include "bus/message_box.h"

#include <QMessageBox>
#include <QString>

#include "app/window/core/form1_core.h"
#include "app/window/core/form1_layout.h"

void ShowMessageBox(std::string_view text) {
    LogPortProblem();
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kForm1Caption),
                    QString::fromStdString(PortFailureBoxText(text)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
