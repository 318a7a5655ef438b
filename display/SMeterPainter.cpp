#include "SMeterPainter.h"

#include <QFont>

#include <QPolygon>
#include "DisplayFont.h"

namespace velorix {

namespace {
const QColor kFace(212, 208, 200);
const QColor kBarBackground(212, 193, 123);
const QColor kUpToS9(80, 130, 0);
const QColor kAboveS9(150, 40, 0);
const QColor kClip(255, 0, 0);
const QColor kLock(0, 64, 0);
constexpr int kX0 = 10;

// Text centred on x with its top at y.
void Centred(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QRect(x - 30, y, 60, 14), Qt::AlignHCenter | Qt::AlignTop, text);
}

// A box of text at (x, 1), `on` in white on `colour`, else blank.
void Box(QPainter& p, int x, const char* text, bool on, const QColor& colour) {
    const QRect box(x, 1, p.fontMetrics().horizontalAdvance(text) + 2, p.fontMetrics().height());
    p.fillRect(box, on ? colour : kBarBackground);
    if (on) {
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
        p.setPen(Qt::black);
    }
}
}  // namespace

SMeterPainter::SMeterPainter(int widthPx)
    : scale_(widthPx, kHeight, QImage::Format_RGB32), font_(DisplayFont(0, 12)) {
    const int s = widthPx - 24;
    QPainter p(&scale_);
    p.fillRect(0, 0, widthPx, kHeight, kFace);
    p.setFont(font_);
    p.setPen(Qt::black);
    p.drawText(QRect(kX0, 1, 80, 14), Qt::AlignLeft | Qt::AlignTop, "Level (dBm):");
    p.drawText(QRect(kX0, 48, 20, 14), Qt::AlignLeft | Qt::AlignTop, "S");
    // Minor ticks every 5 dB, longer at 10, labelled at 20.
    const int step = s * 5 / (kSMeterMaxDbm - kSMeterMinDbm);
    for (int x = kX0, f = kSMeterMinDbm; f <= kSMeterMaxDbm; x += step, f += 5) {
        int length = 4;
        if (f % 20 == 0) {
            Centred(p, x, 13, QString::number(f));
            length = 10;
        } else if (f % 10 == 0) {
            length = 6;
        }
        p.drawLine(x, 33, x, 33 - length);
    }
    p.drawPolyline(QPolygon({{kX0, 33}, {s + kX0, 33}, {s + kX0, 45}, {kX0, 45}, {kX0, 33}}));
    auto scaleX = [s](int dbm) { return (dbm - kSMeterMinDbm) * s / 130 + kX0; };
    for (int k = 0; k <= 48; k += 6) {
        const int x = scaleX(k - 121);
        p.drawLine(x, 45, x, 48);
        Centred(p, x, 48, QString::number(k / 6 + 1));
    }
    for (int k = 0; k <= 60; k += 10) {
        const int x = scaleX(k - 63);
        p.drawLine(x, 45, x, 48);
        Centred(p, x, 48, QString("+%1").arg(k + 10));
    }
}

void SMeterPainter::Paint(QPainter& p, const SMeterReading& reading) const {
    const int s = scale_.width() - 24;
    p.drawImage(0, 0, scale_);
    p.setFont(font_);
    p.setPen(Qt::black);
    p.fillRect(QRect(QPoint(11, 34), QPoint(s + 9, 44)), kBarBackground);
    const SMeterBar bar = SMeterBarFor(reading.tenthsDbm, s);
    if (bar.shown) {
        p.fillRect(QRect(QPoint(12, 35), QPoint(bar.greenEndX - 1, 43)), kUpToS9);
        if (bar.redEndX > bar.greenEndX)
            p.fillRect(QRect(QPoint(bar.greenEndX, 35), QPoint(bar.redEndX - 1, 43)), kAboveS9);
    }
    const QString level = QString::fromStdString(SMeterLevelText(reading.tenthsDbm));
    const QRect levelBox(75, 1, p.fontMetrics().horizontalAdvance("-000.0      "),
                         p.fontMetrics().height());
    p.fillRect(levelBox, kBarBackground);
    p.drawText(levelBox, Qt::AlignLeft | Qt::AlignTop, level);
    Box(p, 210, "ADC CLIP", reading.clip, kClip);
    Box(p, 267, "LOCK", reading.lock, kLock);
}

QImage SMeterPainter::Render(const SMeterReading& reading) const {
    QImage image(scale_.width(), kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    Paint(p, reading);
    return image;
}

}  // namespace velorix
