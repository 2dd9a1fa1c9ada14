// SPDX-License-Identifier: MIT
// The window program's cost: resident memory once the window is up and has ticked, and CPU
// time per Timer1 tick (three bus transactions on the simulated bus, the new caption and
// its repaint), on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/window/qt/form1.h"
#include "port/port_settings.h"

namespace {

constexpr int kTicks = 2000;
constexpr double kTickSeconds = 0.5;

// A line of /proc/self/status such as "VmRSS:     41236 kB", in kB; -1 when missing.
long StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
        }
    }
    return -1;
}

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void WaitForTick(Form1& form) {
    QEventLoop loop;
    QObject::connect(form.Timer1, &QTimer::timeout, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU and wall time per tick, each tick followed by the events it leaves (the repaint)
// when repaint is set.
void MeasureTicks(Form1& form, bool repaint, const char* what) {
    const double cpu_start = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double wall_start = Seconds(CLOCK_MONOTONIC);
    for (int tick = 0; tick < kTicks; ++tick) {
        QMetaObject::invokeMethod(form.Timer1, "timeout");
        if (repaint) {
            QApplication::processEvents();
        }
    }
    const double cpu = (Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_start) / kTicks;
    const double wall = (Seconds(CLOCK_MONOTONIC) - wall_start) / kTicks;
    std::printf("%-28s %8.1f us CPU  %8.1f us wall  (%.3f %% of one core at 2 ticks/s)\n", what,
                cpu * 1e6, wall * 1e6, 100.0 * cpu / kTickSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    const double started = Seconds(CLOCK_MONOTONIC);
    // Always the simulated bus, whatever the caller's environment names.
    ConfigurePort(PortConfigFor("sim:compass=turning"));
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    Form1 form;
    form.Start();
    WaitForTick(form);
    const double first_bearing = Seconds(CLOCK_MONOTONIC) - started;
    QApplication::processEvents();
    std::printf("platform %s, Label1 shows %s\n", qUtf8Printable(QApplication::platformName()),
                qUtf8Printable(form.Label1->text()));
    std::printf("first bearing in Label1 %.0f ms after start\n", first_bearing * 1e3);
    std::printf("resident after start-up and the first tick: %ld kB (peak %ld kB)\n",
                StatusKilobytes("VmRSS"), StatusKilobytes("VmHWM"));

    form.Timer1->stop();
    MeasureTicks(form, false, "per tick, read and caption:");
    MeasureTicks(form, true, "per tick, with the repaint:");
    std::printf("resident after %d more ticks: %ld kB\n", 2 * kTicks, StatusKilobytes("VmRSS"));
    form.close();
    return EXIT_SUCCESS;
}
