// SPDX-License-Identifier: MIT
#include "app/window/qt/form1.h"

#include <QCloseEvent>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QTimer>

#include "app/window/core/form1_layout.h"

namespace {

QColor ColourOf(std::uint32_t colour) {
    return {RedOf(colour), GreenOf(colour), BlueOf(colour)};
}

QFont FontOf(const FontSpec& spec) {
    QFont font(QString::fromLatin1(spec.family));
    font.setPointSizeF(spec.points);
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    return font;
}

// Qt scales its logical pixels to the screen itself, so twips become pixels at 96 dpi.
QRect PixelsOf(const TwipRect& twips) {
    return {TwipsToPixels(twips.left, kDesignDpi), TwipsToPixels(twips.top, kDesignDpi),
            TwipsToPixels(twips.width, kDesignDpi), TwipsToPixels(twips.height, kDesignDpi)};
}

// A label that draws no background of its own: the window's colour shows through.
void PlaceLabel(QLabel* label, const char* name, const TwipRect& geometry, const FontSpec& font,
                std::uint32_t colour) {
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(PixelsOf(geometry));
    label->setFont(FontOf(font));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette text_colour;
    text_colour.setColor(QPalette::WindowText, ColourOf(colour));
    label->setPalette(text_colour);
}

}  // namespace

Form1::Form1() : Label1(new QLabel(this)), Label2(new QLabel(this)), Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kForm1Caption));
    setFixedSize(TwipsToPixels(kForm1ClientWidth, kDesignDpi),
                 TwipsToPixels(kForm1ClientHeight, kDesignDpi));
    // A fixed size has nothing to maximise to.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(FontOf(kForm1Font));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ColourOf(kForm1BackColor));
    setPalette(colours);
    setAutoFillBackground(true);

    PlaceLabel(Label1, "Label1", kLabel1Geometry, kLabel1Font, kLabel1ForeColor);
    PlaceLabel(Label2, "Label2", kLabel2Geometry, kLabel2Font, kLabel2ForeColor);
    Label2->setText(QString::fromUtf8(kLabel2Caption));

    // A timer on the window's thread: a slow read holds the event loop, so ticks never
    // overlap and the next one simply comes later.
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1Tick);
    Timer1->start(kTimer1IntervalMs);
}

Form1::~Form1() {
    // Ended without a close (the application quit some other way): the port still closes.
    Unload();
}

void Form1::Start() {
    Form1Load(state_);
    if (!state_.unloaded) {
        show();
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

QVariant Form1::Testen() {
    Form1Testen();
    return {};
}

void Form1::meting() {
    Form1Meting();
}

void Form1::Timer1Tick() {
    Label1->setText(QString::fromStdString(Form1Timer1Tick(state_)));
}

void Form1::Unload() {
    Timer1->stop();
    Form1Unload(state_);
}
