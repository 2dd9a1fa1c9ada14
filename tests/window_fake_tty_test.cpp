// The window program on a serial port at the system-call level: this test runs with the
// fake serial terminal preloaded, KOLVANER_PORT naming it.
#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/window/form1.h"
#include "tests/fake_tty/fake_tty_log.h"

namespace {

std::vector<std::string> LogLines() {
    return FakeTtyLog(qgetenv("KOLVANER_FAKE_LOG").toStdString());
}

}  // namespace

class WindowFakeTtyTest : public QObject {
    Q_OBJECT

  private slots:
    void TicksReadTheCompassThroughTheSerialPortAndCloseRestoresIt() {
        std::remove(qgetenv("KOLVANER_FAKE_LOG").constData());
        Form1 form;
        form.Start();
        QSignalSpy ticks(form.Timer1, &QTimer::timeout);
        QVERIFY(ticks.wait(2000));
        QVERIFY(ticks.wait(2000));
        QCOMPARE(form.Label1->text(), QStringLiteral("045°"));
        form.close();

        const std::vector<std::string> lines = LogLines();
        QVERIFY(lines.size() > 8);
        QCOMPARE(lines.front(), std::string("open O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC"));
        QCOMPARE(lines[2], std::string("flock LOCK_EX|LOCK_NB"));
        QCOMPARE(lines[3], std::string("ioctl TIOCEXCL"));
        QCOMPARE(lines.back(), std::string("close"));
        QCOMPARE(lines[lines.size() - 2], std::string("ioctl TIOCNXCL"));
        const auto calls = std::count_if(lines.begin() + 5, lines.end() - 3, IsModemLineCall);
        QCOMPARE(calls, static_cast<long>(lines.size()) - 8);
        QCOMPARE(calls, 2 + 194 * ticks.size());
    }
};

QTEST_MAIN(WindowFakeTtyTest)
#include "window_fake_tty_test.moc"
