// SPDX-License-Identifier: MIT
// Form1 with Qt Widgets: the program's one window. Timer1 reads the compass every 500 ms
// and Label1 shows the bearing; the serial port is open from load to unload.
#pragma once

#include <QVariant>
#include <QWidget>

#include "app/window/core/form1_core.h"

class QCloseEvent;
class QLabel;
class QTimer;

class Form1 : public QWidget {
    Q_OBJECT

  public:
    // Creates the window, its labels and Timer1, which runs from here on.
    Form1();
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Loads the window, which opens the bus and may wait for OK on a message box, then
    // shows it unless it was closed meanwhile.
    void Start();

    // Diagnostics for the thermometer and the input port; nothing in the program calls them.
    // Ten temperature reads; the result carries no value.
    QVariant Testen();
    // One temperature read, then one read of the input port at 0x20.
    void meting();

    QLabel* const Label1;
    QLabel* const Label2;
    QTimer* const Timer1;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Timer1Tick();
    void Unload();

    Form1State state_;
};
