// The window program on a serial port at the system-call level: this test runs with the
// fake serial terminal preloaded, KOLVANER_PORT naming it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Opened, set idle and through this many ticks' reads.
long CallsAfterTicks(long ticks) {
    return 2 + 194 * ticks;
}

// The program logs the fake's calls to a file of its own, apart from this test's.
QString ProgramLog() {
    return QString::fromUtf8(qgetenv("KOLVANER_FAKE_LOG")) + ".program";
}

long ProgramModemLineCalls() {
    return ModemLineCalls(FakeTtyLog(ProgramLog().toStdString()));
}

QProcessEnvironment ProgramEnvironment() {
    QFile::remove(ProgramLog());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KOLVANER_FAKE_LOG"), ProgramLog());
    return environment;
}

QStringList ToldProblems(const QString& err) {
    return err.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^kolvaner:")));
}

// The ordinary way out of a running program: SIGTERM, then exit status 0.
bool EndsOnSigterm(QProcess& program) {
    return ::kill(static_cast<pid_t>(program.processId()), SIGTERM) == 0 &&
           program.waitForFinished(20000) && program.exitStatus() == QProcess::NormalExit &&
           program.exitCode() == 0;
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
        QProcess program;
        program.setProcessEnvironment(ProgramEnvironment());
        program.start(QStringLiteral(KOLVANER_WINDOW_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= CallsAfterTicks(1), 20000);
        QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signal_number), 0);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const std::vector<std::string> lines = FakeTtyLog(ProgramLog().toStdString());
        QCOMPARE(std::count(lines.begin(), lines.end(), std::string("close")), 1L);
        QCOMPARE(lines.back(), std::string("close"));
        QCOMPARE(lines[lines.size() - 2], std::string("ioctl TIOCNXCL"));
    }

    void ArgumentsAreIgnoredButHelpAndVersionAnswer_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("platform_from_environment");
        QTest::addColumn<QString>("printed");  // a pattern; empty when the window runs
        QTest::newRow("stray") << QStringList{"/home/user/notes.txt", "--unknown", "-x"} << true
                               << QString();
        // Without a display Qt starts only as told.
        QTest::newRow("Qt's option")
            << QStringList{"-platform", "offscreen", "notes.txt"} << false << QString();
        QTest::newRow("--help") << QStringList{"notes.txt", "--help"} << false
                                << QStringLiteral("^Usage: kolvaner \\[--help \\| --version\\]\n");
        QTest::newRow("--version first") << QStringList{"--version", "--help"} << false
                                         << QStringLiteral("^kolvaner \\d+\\.\\d+\\.\\d+\n$");
    }

    void ArgumentsAreIgnoredButHelpAndVersionAnswer() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, platform_from_environment);
        QFETCH(QString, printed);
        QProcessEnvironment environment = ProgramEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (!platform_from_environment) {
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KOLVANER_WINDOW_PROGRAM), arguments);
        QVERIFY(program.waitForStarted());
        if (!printed.isEmpty()) {
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitCode(), 0);
            const QString out = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(QRegularExpression(printed).match(out).hasMatch(), qPrintable(out));
            QVERIFY2(!QFile::exists(ProgramLog()), "the port was opened");
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= CallsAfterTicks(1), 20000);
        QVERIFY(EndsOnSigterm(program));
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(ToldProblems(err).isEmpty(), qPrintable(err));
    }

    void TraceProblemIsToldOnceAndTheWindowGoesOn_data() {
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("reason");
        QTest::newRow("at load") << QStringLiteral("/dev/full")
                                 << QStringLiteral("No space left on device");
        QTest::newRow("on a tick")
            << QDir::tempPath() + "/kolvaner-window-trace.fifo" << QStringLiteral("Broken pipe");
    }

    // A FIFO whose reader leaves after the first tick: without SIGPIPE ignored, the program
    // would die on the next write.
    void TraceProblemIsToldOnceAndTheWindowGoesOn() {
        QFETCH(QString, trace);
        QFETCH(QString, reason);
        const bool fifo = trace.endsWith(QStringLiteral(".fifo"));
        int reader = -1;
        if (fifo) {
            QFile::remove(trace);
            QCOMPARE(mkfifo(qPrintable(trace), 0600), 0);
            reader = open(qPrintable(trace), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(reader >= 0);
        }
        QProcessEnvironment environment = ProgramEnvironment();
        environment.insert(QStringLiteral("KOLVANER_TRACE"), trace);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KOLVANER_WINDOW_PROGRAM), {});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= CallsAfterTicks(1), 20000);
        if (fifo) {
            close(reader);
        }
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += QString::fromUtf8(program.readAllStandardError())).contains("kolvaner:"),
            20000);
        const long calls = ProgramModemLineCalls();
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= calls + CallsAfterTicks(2), 20000);
        QVERIFY(EndsOnSigterm(program));
        err += QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(ToldProblems(err),
                 QStringList{"kolvaner: cannot write bus trace " + trace + ": " + reason});
        if (fifo) {
            QFile::remove(trace);
        }
    }

    // Started with 0-2 closed (as from some desktop entries), the program must not give
    // their numbers to the port, where Qt's and its own messages would go out on the line.
    void ClosedStandardDescriptorsGoToDevNull() {
        QProcess program;
        program.setProcessEnvironment(ProgramEnvironment());
        program.start(QStringLiteral("/bin/sh"),
                      {"-c", "exec \"$0\" <&- >&- 2>&-", QStringLiteral(KOLVANER_WINDOW_PROGRAM)});
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= CallsAfterTicks(1), 20000);
        for (int fd = 0; fd <= 2; ++fd) {
            const QString descriptor =
                QStringLiteral("/proc/%1/fd/%2").arg(program.processId()).arg(fd);
            QCOMPARE(QFile::symLinkTarget(descriptor), QStringLiteral("/dev/null"));
        }
        QVERIFY(EndsOnSigterm(program));
    }
};

QTEST_MAIN(WindowFakeTtyTest)
#include "window_fake_tty_test.moc"
