#include "SkinPaint.h"

namespace velorix::skin::paint {

QImage Blank(int w, int h, const QColor& fill) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

void FillVertical(QImage& img, const QRect& r, const QColor& top, const QColor& bottom) {
    const int rows = r.height();
    for (int i = 0; i < rows; ++i) {
        const int d = rows > 1 ? rows - 1 : 1;
        const QRgb c = qRgb(top.red() + (bottom.red() - top.red()) * i / d,
                            top.green() + (bottom.green() - top.green()) * i / d,
                            top.blue() + (bottom.blue() - top.blue()) * i / d);
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(r.top() + i));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = c;
    }
}

void Bevel(QImage& img, const QRect& r, const QColor& light, const QColor& dark) {
    for (int x = r.left(); x <= r.right(); ++x) {
        img.setPixel(x, r.top(), light.rgb());
        img.setPixel(x, r.bottom(), dark.rgb());
    }
    for (int y = r.top(); y <= r.bottom(); ++y) {
        img.setPixel(r.left(), y, light.rgb());
        img.setPixel(r.right(), y, dark.rgb());
    }
}

void Inset(QImage& img, const QRect& r, const QColor& glassTop, const QColor& glassBottom) {
    Bevel(img, r, QColor(16, 17, 18), QColor(74, 76, 80));
    Bevel(img, r.adjusted(1, 1, -1, -1), QColor(6, 6, 6), QColor(48, 50, 53));
    FillVertical(img, r.adjusted(2, 2, -2, -2), glassTop, glassBottom);
}

}  // namespace velorix::skin::paint
