// SPDX-License-Identifier: MIT
// The window program on a serial port at the system-call level: this test runs with the
// fake serial terminal preloaded, KOLVANER_PORT naming it.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/window/qt/form1.h"
#include "tests/fake_tty/fake_tty_log.h"
#include "tests/support/temp_path.h"

namespace {

std::vector<std::string> LogLines() {
    return FakeTtyLog(qgetenv("KOLVANER_FAKE_LOG").toStdString());
}

// The program logs the fake's calls to a file of its own, apart from this test's.
QString ProgramLog() {
    return QString::fromUtf8(qgetenv("KOLVANER_FAKE_LOG")) + ".program";
}

// Two to set the bus idle, then 194 for each tick's reads.
long ProgramModemLineCalls() {
    const std::vector<std::string> lines = FakeTtyLog(ProgramLog().toStdString());
    return std::count_if(lines.begin(), lines.end(), IsModemLineCall);
}
constexpr long kCallsPerTick = 194;

// Runs the shell command, "$0" naming the window program, without a display.
void StartProgram(QProcess& program, const QString& command) {
    QFile::remove(ProgramLog());
    const QString setup =
        "unset DISPLAY WAYLAND_DISPLAY; export KOLVANER_FAKE_LOG=\"$KOLVANER_FAKE_LOG.program\"; ";
    program.start(QStringLiteral("/bin/sh"),
                  {"-c", setup + command, QStringLiteral(KOLVANER_WINDOW_PROGRAM)});
}

// The signal ends the program through its unload: exit status 0, the port restored and
// closed once.
void CheckEndsOn(QProcess& program, int signal_number) {
    QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signal_number), 0);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const std::vector<std::string> lines = FakeTtyLog(ProgramLog().toStdString());
    QCOMPARE(std::count(lines.begin(), lines.end(), std::string("close")), 1L);
    QCOMPARE(lines.back(), std::string("close"));
    QCOMPARE(lines[lines.size() - 2], std::string("ioctl TIOCNXCL"));
}

// The process asleep in a poll on one descriptor, as /proc shows the call it waits in:
// the trace's wait for room in its pipe. The event loop polls more than one.
bool WaitsForOneDescriptor(qint64 pid) {
    QFile call(QStringLiteral("/proc/%1/syscall").arg(pid));
    if (!call.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QList<QByteArray> fields = call.readAll().split(' ');
#ifdef SYS_poll
    const bool polls = fields[0].toLong() == SYS_poll || fields[0].toLong() == SYS_ppoll;
#else
    const bool polls = fields[0].toLong() == SYS_ppoll;
#endif
    return polls && fields.size() > 2 && fields[2] == "0x1";
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
        QVERIFY(ticks.wait(30000));
        QVERIFY(ticks.wait(30000));
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
        // After the adapter's test at the open: OpenBus's RTS(1) and DTR(1), 194 calls a
        // tick, then SCL and SDA down before the port is put back.
        const std::size_t closing = lines.size() - 5;
        QCOMPARE(lines[closing], std::string("ioctl TIOCMBIC RTS"));
        QCOMPARE(lines[closing + 1], std::string("ioctl TIOCMBIC DTR"));
        const std::size_t open_bus = closing - 194 * static_cast<std::size_t>(ticks.size()) - 2;
        QCOMPARE(lines[open_bus], std::string("ioctl TIOCMBIS RTS"));
        QCOMPARE(lines[open_bus + 1], std::string("ioctl TIOCMBIS DTR"));
    }

    void SignalsEndTheProgramWhateverItWasStartedWith_data() {
        QTest::addColumn<int>("signal_number");
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("descriptors_closed");
        // A shortcut's argument or a dropped file changes nothing.
        QTest::newRow("SIGTERM, stray arguments")
            << SIGTERM << "exec \"$0\" /home/user/notes.txt --unknown -x" << false;
        // Without a display Qt starts only as told.
        QTest::newRow("SIGINT, Qt's option")
            << SIGINT << "unset QT_QPA_PLATFORM; exec \"$0\" -platform offscreen notes.txt"
            << false;
        // As from some desktop entries: 0-2 must not become the port, where Qt's and the
        // program's own messages would go out on the line.
        QTest::newRow("SIGHUP, 0-2 closed") << SIGHUP << "exec \"$0\" <&- >&- 2>&-" << true;
        // Ctrl-\ and the others that would end the program: the same unload, no core dump.
        QTest::newRow("SIGQUIT") << SIGQUIT << "exec \"$0\"" << false;
        QTest::newRow("SIGUSR1") << SIGUSR1 << "exec \"$0\"" << false;
    }

    // kill, Ctrl-C or a closed session, after the first tick.
    void SignalsEndTheProgramWhateverItWasStartedWith() {
        QFETCH(int, signal_number);
        QFETCH(QString, command);
        QFETCH(bool, descriptors_closed);
        QProcess program;
        StartProgram(program, command);
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= 2 + kCallsPerTick, 60000);
        for (int fd = 0; descriptors_closed && fd <= 2; ++fd) {
            const QString descriptor =
                QStringLiteral("/proc/%1/fd/%2").arg(program.processId()).arg(fd);
            QCOMPARE(QFile::symLinkTarget(descriptor), QStringLiteral("/dev/null"));
        }
        CheckEndsOn(program, signal_number);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(!err.contains("kolvaner:"), qPrintable(err));
    }

    // Without a platform Qt can open a window on: one line why, exit status 1, no port.
    void NoWindowIsToldAndLeavesThePortAlone() {
        QProcess program;
        StartProgram(program, "QT_QPA_PLATFORM=nosuch exec \"$0\"");
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(err.contains("\nkolvaner: het venster kan niet worden geopend: "),
                 qPrintable(err));
        QVERIFY(FakeTtyLog(ProgramLog().toStdString()).empty());
    }

    void ASignalEndsTheProgramWaitingOnATraceReader_data() {
        QTest::addColumn<int>("signal_number");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    // A FIFO whose reader never reads: once it is full the tick waits in the trace's write.
    void ASignalEndsTheProgramWaitingOnATraceReader() {
        QFETCH(int, signal_number);
        const QString trace = QDir::tempPath() + "/kolvaner-window-blocked.fifo";
        QFile::remove(trace);
        QCOMPARE(mkfifo(qPrintable(trace), 0600), 0);
        const int reader = open(qPrintable(trace), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QVERIFY(reader >= 0);
        // One page: two ticks fill it.
        fcntl(reader, F_SETPIPE_SZ, 4096);
        QProcess program;
        StartProgram(program, "KOLVANER_TRACE='" + trace + "' exec \"$0\"");
        // Held up: something in the FIFO, and the trace waiting for room in it.
        int waiting = 0;
        QTRY_VERIFY_WITH_TIMEOUT(ioctl(reader, FIONREAD, &waiting) == 0 && waiting > 0 &&
                                     WaitsForOneDescriptor(program.processId()),
                                 60000);
        CheckEndsOn(program, signal_number);
        close(reader);
        QFile::remove(trace);
    }

    void TraceProblemIsToldOnceAndTheWindowGoesOn_data() {
        QTest::addColumn<bool>("in_use");
        QTest::addColumn<QString>("reason");
        // Without SIGPIPE ignored, the program would die on the first write after the reader
        // left.
        QTest::newRow("a FIFO whose reader leaves") << false << "Broken pipe";
        // Another program holds the trace's lock, as a second window with the same
        // KOLVANER_TRACE would; its trace is left as it is.
        QTest::newRow("a file in use") << true << "the trace is in use by another program";
    }

    // The problem is told once and the window ticks on.
    void TraceProblemIsToldOnceAndTheWindowGoesOn() {
        QFETCH(bool, in_use);
        QFETCH(QString, reason);
        const QString trace = QDir::tempPath() + "/kolvaner-window-trace" + (in_use ? "" : ".fifo");
        QFile::remove(trace);
        const QByteArray first_trace = "$comment another program's trace $end\n";
        int holder = -1;
        if (in_use) {
            holder = open(qPrintable(trace), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            QVERIFY(holder >= 0 && flock(holder, LOCK_EX) == 0);
            QVERIFY(write(holder, first_trace.data(), first_trace.size()) > 0);
        } else {
            QCOMPARE(mkfifo(qPrintable(trace), 0600), 0);
            holder = open(qPrintable(trace), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(holder >= 0);
        }
        QProcess program;
        StartProgram(program, "KOLVANER_TRACE='" + trace + "' exec \"$0\"");
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= 2 + kCallsPerTick, 60000);
        if (!in_use) {
            close(holder);
        }
        QString err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += QString::fromUtf8(program.readAllStandardError())).contains("kolvaner:"),
            60000);
        const long calls = ProgramModemLineCalls();
        QTRY_VERIFY_WITH_TIMEOUT(ProgramModemLineCalls() >= calls + 2 * kCallsPerTick, 60000);
        CheckEndsOn(program, SIGTERM);
        if (in_use) {
            QFile file(trace);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), first_trace);
            close(holder);
        }
        QFile::remove(trace);
        err += QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(err.count("kolvaner:"), 1);
        QVERIFY2(err.contains("kolvaner: cannot write bus trace " + trace + ": " + reason + "\n"),
                 qPrintable(err));
    }
};

QTEST_MAIN(WindowFakeTtyTest)
#include "window_fake_tty_test.moc"
