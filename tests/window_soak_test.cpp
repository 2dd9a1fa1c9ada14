// SPDX-License-Identifier: MIT
// 100 000 ticks of the window on the simulated bus: resident memory must stay put.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <fstream>

#include "app/window/qt/form1.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"

namespace {

constexpr int kTicks = 100'000;
constexpr long kAllowedGrowth = 1024L * 1024;

long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

void Ticks(Form1& form, int count) {
    for (int tick = 0; tick < count; ++tick) {
        QMetaObject::invokeMethod(form.Timer1, "timeout");
        if (tick % 100 == 0) {
            QApplication::processEvents();
        }
    }
}

}  // namespace

class WindowSoakTest : public QObject {
    Q_OBJECT

  private slots:
    void HundredThousandTicksKeepMemoryFlat() {
        ConfigurePort(PortConfigFor("sim:compass=turning"));
        Form1 form;
        form.Start();
        form.Timer1->stop();
        Ticks(form, 1000);  // settle caches, fonts and glyphs first
        const long before = ResidentBytes();
        Ticks(form, kTicks);
        const long after = ResidentBytes();
        qInfo("resident %ld kB before, %ld kB after %d ticks", before / 1024, after / 1024, kTicks);
        QVERIFY2(after - before <= kAllowedGrowth, "resident memory grew by more than 1 MiB");
        QVERIFY(!form.Label1->text().isEmpty());
        form.close();
    }
};

QTEST_MAIN(WindowSoakTest)
#include "window_soak_test.moc"
