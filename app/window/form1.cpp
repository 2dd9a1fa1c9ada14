#include "app/window/form1.h"

#include <QCloseEvent>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include <cstdio>

#include "app/window/bearing_text.h"
#include "bus/i2c_bus.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"
#include "port/port_status.h"

namespace {

constexpr int kTickMilliseconds = 500;
constexpr BusByte kInputPortAddress = 32;
const QColor kLightYellow(255, 255, 128);
const QColor kBrown(128, 64, 0);

QFont Arial(qreal points, QFont::Weight weight) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

void PlaceLabel(QLabel* label, const QRect& geometry, const QFont& font) {
    label->setGeometry(geometry);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

}  // namespace

Form1::Form1() : Label1(new QLabel(this)), Label2(new QLabel(this)), Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kolvaner"));
    setFixedSize(155, 129);
    // A fixed size has nothing to maximise to.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(Arial(48, QFont::Normal));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kLightYellow);
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    // The labels draw no background of their own: the window's light yellow shows through.
    Label1->setObjectName(QStringLiteral("Label1"));
    PlaceLabel(Label1, QRect(8, 8, 137, 81), Arial(48, QFont::Bold));
    QPalette brown;
    brown.setColor(QPalette::WindowText, kBrown);
    Label1->setPalette(brown);

    Label2->setObjectName(QStringLiteral("Label2"));
    PlaceLabel(Label2, QRect(8, 96, 135, 24), Arial(9.75, QFont::Normal));
    Label2->setText(QStringLiteral("Demo 26 feb KV"));

    // A timer on the window's thread: a slow read holds the event loop, so ticks never
    // overlap and the next one simply comes later.
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1Tick);
    Timer1->start(kTickMilliseconds);
}

Form1::~Form1() {
    // Ended without a close (the application quit some other way): the port still closes.
    if (!unloaded_) {
        Unload();
    }
}

void Form1::Start() {
    Load();
    show();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        Unload();
    }
    event->accept();
}

QVariant Form1::Testen() {
    for (int reading = 1; reading <= 10; ++reading) {
        ReadTemperature();
    }
    return {};
}

void Form1::meting() {
    ReadTemperature();
    ReadInputPort(kInputPortAddress);
}

void Form1::Load() {
    OpenBus();
}

void Form1::Timer1Tick() {
    Label1->setText(BearingText(ReadBearing()));
    if (PortHasFailed() && !port_failure_told_) {
        port_failure_told_ = true;
        std::fprintf(stderr, "kolvaner: %s\n", PortProblem().c_str());
    }
}

void Form1::Unload() {
    unloaded_ = true;
    Timer1->stop();
    // The port closes as it is: no stop condition, no line changed first.
    CLOSECOM();
}
