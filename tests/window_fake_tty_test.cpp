// The window program on a serial port at the system-call level: this test runs with the
// fake serial terminal preloaded, KOLVANER_PORT naming it.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/window/qt/form1.h"
#include "tests/fake_tty/fake_tty_log.h"

namespace {

std::vector<std::string> LogLines() {
    return FakeTtyLog(qgetenv("KOLVANER_FAKE_LOG").toStdString());
}

long ModemLineCalls(const std::vector<std::string>& lines) {
    return std::count_if(lines.begin(), lines.end(), IsModemLineCall);
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

    void SignalsCloseTheProgramThroughItsUnload_data() {
        QTest::addColumn<int>("signal_number");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    // kill, Ctrl-C or a closed session: the port is restored and closed once, exit status 0.
    void SignalsCloseTheProgramThroughItsUnload() {
        QFETCH(int, signal_number);
        const QString log = QString::fromUtf8(qgetenv("KOLVANER_FAKE_LOG")) + ".program";
        QFile::remove(log);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KOLVANER_FAKE_LOG"), log);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KOLVANER_WINDOW_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        // Opened, set idle and through a first tick's read.
        QTRY_VERIFY_WITH_TIMEOUT(ModemLineCalls(FakeTtyLog(log.toStdString())) >= 2 + 194, 20000);
        QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signal_number), 0);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const std::vector<std::string> lines = FakeTtyLog(log.toStdString());
        QCOMPARE(std::count(lines.begin(), lines.end(), std::string("close")), 1L);
        QCOMPARE(lines.back(), std::string("close"));
        QCOMPARE(lines[lines.size() - 2], std::string("ioctl TIOCNXCL"));
        QFile::remove(log);
    }
};

QTEST_MAIN(WindowFakeTtyTest)
#include "window_fake_tty_test.moc"
