#include "SkinPaint.h"

#include <cmath>

namespace velorix::skin::paint {

namespace {

int Device(int windowPixels, double ratio) {
    return static_cast<int>(std::lround(windowPixels * ratio));
}

}  // namespace

QImage Blank(int w, int h, const QColor& fill, double ratio) {
    QImage img(Device(w, ratio), Device(h, ratio), QImage::Format_RGB32);
    img.setDevicePixelRatio(ratio);
    img.fill(fill);
    return img;
}

QSize LogicalSize(const QImage& img) {
    // Exact for ratios of 1 and more: the device size is rounded from it.
    const double ratio = img.devicePixelRatio();
    return QSize(static_cast<int>(std::lround(img.width() / ratio)),
                 static_cast<int>(std::lround(img.height() / ratio)));
}

QRect DeviceRect(const QImage& img, const QRect& r) {
    const double s = img.devicePixelRatio();
    const int left = Device(r.left(), s);
    const int top = Device(r.top(), s);
    return QRect(left, top, Device(r.left() + r.width(), s) - left,
                 Device(r.top() + r.height(), s) - top);
}

void FillRect(QImage& img, const QRect& r, const QColor& c) {
    const QRect d = DeviceRect(img, r) & img.rect();
    const QRgb rgb = c.rgb();
    for (int y = d.top(); y <= d.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = d.left(); x <= d.right(); ++x)
            line[x] = rgb;
    }
}

void FillVertical(QImage& img, const QRect& r, const QColor& top, const QColor& bottom) {
    // Shaded over the image's own rows, so a finer screen gets finer steps.
    const QRect d = DeviceRect(img, r);
    const int rows = d.height();
    const int steps = rows > 1 ? rows - 1 : 1;
    for (int i = 0; i < rows; ++i) {
        const QColor c(top.red() + (bottom.red() - top.red()) * i / steps,
                       top.green() + (bottom.green() - top.green()) * i / steps,
                       top.blue() + (bottom.blue() - top.blue()) * i / steps);
        const QRgb rgb = c.rgb();
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(d.top() + i));
        for (int x = d.left(); x <= d.right(); ++x)
            line[x] = rgb;
    }
}

void Bevel(QImage& img, const QRect& r, const QColor& light, const QColor& dark) {
    // Drawn in this order, the top-right corner is dark and the bottom-left light.
    FillRect(img, QRect(r.left(), r.top(), r.width(), 1), light);
    FillRect(img, QRect(r.left(), r.bottom(), r.width(), 1), dark);
    FillRect(img, QRect(r.left(), r.top(), 1, r.height()), light);
    FillRect(img, QRect(r.right(), r.top(), 1, r.height()), dark);
}

void Inset(QImage& img, const QRect& r, const QColor& glassTop, const QColor& glassBottom) {
    Bevel(img, r, QColor(16, 17, 18), QColor(74, 76, 80));
    Bevel(img, r.adjusted(1, 1, -1, -1), QColor(6, 6, 6), QColor(48, 50, 53));
    FillVertical(img, r.adjusted(2, 2, -2, -2), glassTop, glassBottom);
}

}  // namespace velorix::skin::paint
