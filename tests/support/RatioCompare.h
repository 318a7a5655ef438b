#pragma once

// How a picture drawn at two device pixels per window pixel relates to the
// same picture at one: drawn finer, or the 1x picture enlarged.

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <QScreen>
#include <cstdlib>
#include <utility>

namespace velorix::test {

inline constexpr int kRatioLevels = 24;  // per channel

// The screens of ratios 1 and 2 of a run on two offscreen screens; null
// where there is none.
inline std::pair<QScreen*, QScreen*> PlainAndFineScreens() {
    QScreen *plain = nullptr, *fine = nullptr;
    for (QScreen* s : QGuiApplication::screens())
        (s->devicePixelRatio() == 1.0 ? plain : s->devicePixelRatio() == 2.0 ? fine : s) = s;
    return {plain, fine};
}

inline bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= kRatioLevels &&
           std::abs(qGreen(a) - qGreen(b)) <= kRatioLevels &&
           std::abs(qBlue(a) - qBlue(b)) <= kRatioLevels;
}

struct Finer {
    // Share of the 1x pixels that the average of their 2 x 2 block matches.
    double averaged = 0.0;
    // The ink (pixels of glyphs and letters) and where it lies.
    int ink = 0;
    QRect inkBox, inkBoxTwo;
    // Share of the 1x ink whose block is not that pixel four times over: the
    // part an enlarged picture would never change.
    double redrawn = 0.0;
};

// The ink of a picture: its pixels at least `border` pixels inside the edge
// that stand out from the first of them on their row. Faces are shaded row by
// row, and glyphs and letters keep off their left edge.
inline bool Ink(const QImage& img, int x, int y, int border) {
    return x >= border && y >= border && x < img.width() - border && y < img.height() - border &&
           !Near(img.pixel(x, y), img.pixel(border, y));
}

// Where the ink lies, in window pixels.
inline QRect InkBox(const QImage& img, int ratio) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (Ink(img, x, y, 2 * ratio)) box |= QRect(x / ratio, y / ratio, 1, 1);
    return box;
}

// The ink is looked for within `inkArea` of the 1x picture (all of it when
// null).
inline Finer Compare(const QImage& oneIn, const QImage& twoIn, const QRect& inkArea = QRect()) {
    const QImage one = oneIn.convertToFormat(QImage::Format_RGB32);
    const QImage two = twoIn.convertToFormat(QImage::Format_RGB32);
    int averaged = 0, redrawn = 0;
    Finer f;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QRgb p = one.pixel(x, y);
            const QRgb block[] = {two.pixel(2 * x, 2 * y), two.pixel(2 * x + 1, 2 * y),
                                  two.pixel(2 * x, 2 * y + 1), two.pixel(2 * x + 1, 2 * y + 1)};
            int r = 0, g = 0, b = 0;
            bool differs = false;
            for (const QRgb q : block) {
                r += qRed(q), g += qGreen(q), b += qBlue(q);
                differs = differs || q != p;
            }
            averaged += Near(qRgb(r / 4, g / 4, b / 4), p);
            if (Ink(one, x, y, 2) && (inkArea.isNull() || inkArea.contains(x, y))) {
                ++f.ink;
                redrawn += differs;
            }
        }
    }
    f.averaged = static_cast<double>(averaged) / (one.width() * one.height());
    f.redrawn = f.ink ? static_cast<double>(redrawn) / f.ink : 0.0;
    f.inkBox = InkBox(one, 1);
    f.inkBoxTwo = InkBox(two, 2);
    return f;
}

}  // namespace velorix::test
