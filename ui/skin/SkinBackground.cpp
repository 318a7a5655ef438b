// The window's background: a dark front panel with a title strip, the words
// of the value labels and the titles of the control groups. The controls and
// displays are laid over it.
#include <QPainter>

#include "SkinPaint.h"
#include "SkinStyle.h"

namespace velorix::skin::paint {

namespace {

struct Title {
    const char* text;
    int x;
    int baseline;
};

// Each title sits in the free strip above its group; the value labels' words
// sit above their number windows.
const Title kTitles[] = {
    {"ATTENUATOR", 7, 43},     {"FRONT END", 7, 89},       {"REF LEVEL  dBm", 7, 139},
    {"SCALE  dB/div", 7, 179}, {"FREQUENCY  MHz", 7, 221}, {"SPAN  kHz", 7, 281},
    {"CENTRE STEP", 7, 320},   {"WHEEL STEP", 7, 360},     {"TUNE / CALIBRATE", 7, 414},
    {"RATE  kHz", 7, 461},     {"SOURCE", 7, 508},         {"UTC", 6, 579},
    {"FILTER", 179, 396},      {"MARKERS", 547, 382},      {"AGC", 547, 469},
    {"AVG", 452, 392},         {"NB", 511, 392},           {"NR", 963, 392},
    {"VOL", 993, 392},         {"METER", 909, 387},        {"STATIONS", 599, 453},
    {"LISTS", 722, 554},       {"SECONDARY", 282, 536},
};

}  // namespace

QImage Background(double ratio) {
    const int w = 1024;
    const int h = 620;
    QImage img = Blank(w, h, kPanel, ratio);
    // Top strip: the window is dragged by it.
    FillVertical(img, QRect(0, 0, w, 27), QColor(24, 25, 28), QColor(16, 17, 19));
    FillRect(img, QRect(0, 27, w, 1), QColor(98, 66, 6));
    // A hairline around the whole window and the separators of its areas.
    Bevel(img, QRect(0, 0, w, h), QColor(70, 72, 76), QColor(10, 10, 11));
    const QColor groove(20, 21, 23);
    const QColor ridge(52, 54, 58);
    FillRect(img, QRect(170, 30, 1, 530), groove);
    FillRect(img, QRect(171, 30, 1, 530), ridge);
    FillRect(img, QRect(3, 562, w - 6, 1), groove);
    FillRect(img, QRect(3, 563, w - 6, 1), ridge);

    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont name = TitleFont();
    name.setPixelSize(15);
    name.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    p.setFont(name);
    p.setPen(kDigits);
    p.drawText(34, 19, QStringLiteral("VELORIX"));
    p.setFont(TitleFont());
    p.setPen(kTitle);
    p.drawText(132, 19, QStringLiteral("HF RECEIVER  0 - 40 MHz"));
    for (const Title& t : kTitles)
        p.drawText(t.x, t.baseline, QString::fromLatin1(t.text));
    return img;
}

}  // namespace velorix::skin::paint
