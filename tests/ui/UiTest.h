#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <QtTest/QTest>

namespace velorix::test {

// What a widget shows, as 32-bit RGB.
inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb At(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xFFFFFFu;
}
inline QRgb Rgb(int r, int g, int b) {
    return qRgb(r, g, b) & 0xFFFFFFu;
}

// Number of pixels of exactly `rgb`.
inline int CountOf(const QImage& img, QRgb rgb) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += At(img, x, y) == (rgb & 0xFFFFFFu);
    return n;
}

inline void Press(QWidget& w, QPoint at) {
    QTest::mousePress(&w, Qt::LeftButton, {}, at);
}
inline void Release(QWidget& w, QPoint at) {
    QTest::mouseRelease(&w, Qt::LeftButton, {}, at);
}
inline void Click(QWidget& w, QPoint at) {
    Press(w, at);
    Release(w, at);
}
// A move with the left button held.
inline void Drag(QWidget& w, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, w.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

}  // namespace velorix::test
