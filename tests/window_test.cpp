// SPDX-License-Identifier: MIT
// The window as the user sees it, on the offscreen platform against the simulated bus.
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>
#include <vector>

#include "app/window/qt/form1.h"
#include "bus/i2c_bus.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "port/port_status.h"

namespace {

const QRgb kLightYellow = qRgb(255, 255, 128);
const QRgb kBrown = qRgb(128, 64, 0);

void UsePort(const char* port) {
    ConfigurePort(PortConfigFor(port));
}

// What Timer1 does when it fires, without waiting for it.
void Tick(Form1& form) {
    QVERIFY(QMetaObject::invokeMethod(form.Timer1, "timeout"));
}

// Records each message box that appears and answers it with OK.
class MessageBoxWatcher : public QObject {
  public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        qsizetype button_count = 0;
        bool modal = false;
        bool window_visible = false;
    };

    explicit MessageBoxWatcher(const QWidget& window) : window_(window) {
        qApp->installEventFilter(this);
    }
    ~MessageBoxWatcher() override { qApp->removeEventFilter(this); }

    std::vector<Seen> seen;

  protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(object);
        if (box != nullptr && event->type() == QEvent::Show) {
            seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                            box->buttons().size(), false, window_.isVisible()});
            const std::size_t index = seen.size() - 1;
            QTimer::singleShot(0, box, [this, box, index] { Answer(box, seen[index]); });
        }
        return false;
    }

  private:
    static void Answer(QMessageBox* box, Seen& seen) {
        seen.modal = QApplication::activeModalWidget() == box;
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    }

    const QWidget& window_;
};

int CountPixels(const QImage& image, const QRect& area, QRgb colour, bool inside) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool counted = area.contains(x, y) == inside;
            count += counted && (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { UsePort("sim"); }
    void cleanup() { CLOSECOM(); }

    void Properties() {
        UsePort("sim:compass=450");
        Form1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Kolvaner"));
        QCOMPARE(form.minimumSize(), QSize(155, 129));
        QCOMPARE(form.maximumSize(), QSize(155, 129));
        QCOMPARE(form.palette().color(QPalette::Window).rgb(), kLightYellow);
        QVERIFY(form.autoFillBackground());
        QCOMPARE(form.Label1->geometry(), QRect(8, 8, 137, 81));
        QCOMPARE(form.Label2->geometry(), QRect(8, 96, 135, 24));
        QCOMPARE(form.Label1->palette().color(QPalette::WindowText).rgb(), kBrown);
        QCOMPARE(form.Label2->text(), QStringLiteral("Demo 26 feb KV"));
        QVERIFY(form.Label1->text().isEmpty());
        QCOMPARE(form.Timer1->interval(), 500);
        QVERIFY(form.Timer1->isActive());
        QVERIFY(!form.Timer1->isSingleShot());
        form.Start();
        // Shown, but no event has run yet: the first tick is one interval away.
        QVERIFY(form.isVisible());
        QVERIFY(form.Label1->text().isEmpty());
    }

    void Fonts_data() {
        QTest::addColumn<QString>("label");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<int>("weight");
        QTest::addColumn<int>("pixels");
        QTest::newRow("Label1") << "Label1" << qreal(48) << 700 << 64;
        QTest::newRow("Label2") << "Label2" << qreal(9.75) << 400 << 13;
    }

    void Fonts() {
        QFETCH(QString, label);
        QFETCH(qreal, points);
        QFETCH(int, weight);
        QFETCH(int, pixels);
        UsePort("sim:compass=450");
        Form1 form;
        const QFont font = form.findChild<QLabel*>(label)->font();
        QCOMPARE(font.family(), QStringLiteral("Arial"));
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.weight(), weight);
        // Drawn in Arial or its metric twin, at 96 logical dots per inch.
        const QFontInfo drawn(font);
        QVERIFY2(drawn.family() == "Arial" || drawn.family() == "Liberation Sans",
                 qPrintable(drawn.family()));
        QCOMPARE(drawn.pixelSize(), pixels);
    }

    void TickShowsTheBearing_data() {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QString>("text");
        QTest::newRow("north") << QByteArray("sim:compass=0") << "000°";
        QTest::newRow("7 degrees") << QByteArray("sim:compass=70") << "007°";
        QTest::newRow("45 degrees") << QByteArray("sim:compass=450") << "045°";
        QTest::newRow("359.5 rounds up") << QByteArray("sim:compass=3595") << "360°";
        QTest::newRow("high byte set") << QByteArray("sim:compass=0x0E01") << "358°";
        QTest::newRow("four digits") << QByteArray("sim:compass=12340") << "1234°";
        QTest::newRow("no compass") << QByteArray("sim:compass=off") << "6554°";
    }

    void TickShowsTheBearing() {
        QFETCH(QByteArray, port);
        QFETCH(QString, text);
        UsePort(port.constData());
        Form1 form;
        MessageBoxWatcher watcher(form);
        form.Start();
        QVERIFY(watcher.seen.empty());
        Tick(form);
        QCOMPARE(form.Label1->text(), text);
    }

    void ARealTickArrives() {
        UsePort("sim:compass=450");
        Form1 form;
        form.Start();
        QSignalSpy ticks(form.Timer1, &QTimer::timeout);
        QVERIFY(ticks.wait(10000));
        QCOMPARE(form.Label1->text(), QStringLiteral("045°"));
    }

    void FailedOpenShowsOneMessageThenTheWindowRuns_data() {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QString>("text");  // up to the start of the system's reason
        // COM1 is not a device name here: it opens nothing in the working directory.
        QTest::newRow("COM1") << QByteArray("COM1")
                              << "COM1 niet beschikbaar/aanwezig\n\n"
                                 "cannot open COM1: No such file or directory";
        QTest::newRow("bad simulator option")
            << QByteArray("sim:compass=north")
            << "sim:compass=north niet beschikbaar/aanwezig\n\nbad --port 'sim:compass=north': ";
        QTest::newRow("missing device")
            << QByteArray("/nonexistent/kolvaner-port")
            << "/nonexistent/kolvaner-port niet beschikbaar/aanwezig\n\ncannot open ";
    }

    // The fixed line names the port that was asked for; the system's reason stands below,
    // then the ports, how to choose another and how to try without hardware.
    void FailedOpenShowsOneMessageThenTheWindowRuns() {
        QFETCH(QByteArray, port);
        QFETCH(QString, text);
        UsePort(port.constData());
        Form1 form;
        MessageBoxWatcher watcher(form);
        form.Start();
        QCOMPARE(watcher.seen.size(), std::size_t{1});
        const MessageBoxWatcher::Seen& box = watcher.seen[0];
        QCOMPARE(box.title, QStringLiteral("Kolvaner"));
        QVERIFY2(box.text.startsWith(text), qPrintable(box.text));
        QVERIFY2(box.text.contains("\nEen andere poort kiezen: start Kolvaner met --port "),
                 qPrintable(box.text));
        QVERIFY2(box.text.endsWith("\nZonder hardware proberen: start Kolvaner met --port sim."),
                 qPrintable(box.text));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.button_count, 1);
        QVERIFY(box.modal);
        QVERIFY(!box.window_visible);
        QVERIFY(form.isVisible());
        QVERIFY(!PortIsOpen());
        // Each tick reads the closed port, where the data line stays released.
        Tick(form);
        QCOMPARE(form.Label1->text(), QStringLiteral("6554°"));
        QCOMPARE(watcher.seen.size(), std::size_t{1});
    }

    void ClosingClosesThePortOnce_data() {
        QTest::addColumn<QByteArray>("port");
        QTest::newRow("port opened") << QByteArray("sim:compass=450");
        QTest::newRow("open failed") << QByteArray("sim:compass=north");
    }

    void ClosingClosesThePortOnce() {
        QFETCH(QByteArray, port);
        UsePort(port.constData());
        auto form = std::make_unique<Form1>();
        MessageBoxWatcher watcher(*form);
        form->Start();
        // Whatever the load did, the port is open now: closing the window must close it.
        UsePort("sim");
        OpenBus();
        QVERIFY(PortIsOpen());
        // Closed from inside the running application, which then ends.
        QTimer::singleShot(0, form.get(), [&form] { form->close(); });
        QTimer hang_guard;
        hang_guard.callOnTimeout([] { QCoreApplication::exit(1); });
        hang_guard.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        hang_guard.stop();
        QVERIFY(!PortIsOpen());
        QVERIFY(!form->isVisible());
        // Opened again behind the window's back: no later close or the end of the window
        // may call CLOSECOM a second time.
        OpenBus();
        form->close();
        form.reset();
        QVERIFY(PortIsOpen());
    }

    void GrabShowsBrownDigitsOnLightYellow() {
        UsePort("sim:compass=450");
        Form1 form;
        form.Start();
        const QRect label1 = form.Label1->geometry();
        const QImage before = form.grab().toImage();
        QCOMPARE(before.size(), QSize(155, 129));
        QCOMPARE(before.pixel(1, 1) & 0xFFFFFF, kLightYellow & 0xFFFFFF);
        QCOMPARE(CountPixels(before, before.rect(), kBrown, true), 0);
        Tick(form);
        const QImage after = form.grab().toImage();
        QCOMPARE(after.pixel(1, 1) & 0xFFFFFF, kLightYellow & 0xFFFFFF);
        QCOMPARE(after.pixel(label1.right(), label1.bottom()) & 0xFFFFFF, kLightYellow & 0xFFFFFF);
        // Solid strokes of three bold 48-point digits, and none of them outside Label1.
        QVERIFY2(CountPixels(after, label1, kBrown, true) > 300,
                 qPrintable(QString::number(CountPixels(after, label1, kBrown, true))));
        QCOMPARE(CountPixels(after, label1, kBrown, false), 0);
        QVERIFY(CountPixels(after, form.Label2->geometry(), qRgb(0, 0, 0), true) > 0);
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
