// SPDX-License-Identifier: MIT
// Testen and meting: the window's diagnostics on the bus, and nothing else touched.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "app/window/qt/form1.h"
#include "bus/port_lines.h"
#include "port/port_settings.h"
#include "tests/support/expected_traffic.h"
#include "tests/support/temp_path.h"
#include "tests/support/vcd_i2c.h"

namespace {

const std::string kTrace = TempPath("diagnostics.vcd");

std::vector<std::string> TransactionsSoFar() {
    return ReadVcd(kTrace).transactions;
}

// Runs the diagnostic and returns the transactions it put on the bus.
template <typename Diagnostic>
std::vector<std::string> TrafficOf(Diagnostic diagnostic) {
    const std::size_t before = TransactionsSoFar().size();
    diagnostic();
    const std::vector<std::string> all = TransactionsSoFar();
    return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
}

}  // namespace

class WindowDiagnosticsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        ConfigurePort(
            PortConfigFor("sim:compass=450,thermo=0x1980,inport=0x5A", kDefaultClockKhz, kTrace));
    }

    void cleanup() {
        CLOSECOM();
        std::remove(kTrace.c_str());
    }

    void TestenReadsTheThermometerTenTimes() {
        Form1 form;
        form.Start();
        QVariant result;
        const std::vector<std::string> traffic = TrafficOf([&] { result = form.Testen(); });
        QVERIFY(!result.isValid());
        QCOMPARE(traffic.size(), 60U);
        for (std::size_t read = 0; read < 10; ++read) {
            const std::vector<std::string> one(
                traffic.begin() + static_cast<std::ptrdiff_t>(6 * read),
                traffic.begin() + static_cast<std::ptrdiff_t>(6 * read + 6));
            QCOMPARE(one, kTemperatureRead);
        }
    }

    void MetingReadsTheThermometerThenTheInputPort() {
        Form1 form;
        form.Start();
        std::vector<std::string> expected = kTemperatureRead;
        expected.push_back("S 41A 5AN P");
        QCOMPARE(TrafficOf([&] { form.meting(); }), expected);
    }

    void NeitherTouchesTheLabelsOrTheTimer() {
        Form1 form;
        form.Start();
        form.Testen();
        form.meting();
        QCOMPARE(form.Label1->text(), QString());
        QCOMPARE(form.Label2->text(), QStringLiteral("Demo 26 feb KV"));
        QVERIFY(form.Timer1->isActive());
        QCOMPARE(form.Timer1->interval(), 500);
    }
};

QTEST_MAIN(WindowDiagnosticsTest)
#include "window_diagnostics_test.moc"
