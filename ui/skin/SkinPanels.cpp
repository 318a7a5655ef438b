// Faces of the panels: value and status labels, slider, readout, station
// panel and recording bar.
#include "SkinPaint.h"

namespace velorix::skin::paint {

namespace {

QImage Glass(int w, int h, const QColor& top, const QColor& bottom, double ratio) {
    QImage img = Blank(w, h, kPanel, ratio);
    Inset(img, QRect(0, 0, w, h), top, bottom);
    return img;
}

QImage SliderTrack(double ratio) {
    QImage img = Blank(20, 140, kPanel, ratio);
    Inset(img, QRect(7, 2, 6, 136), QColor(8, 8, 8), QColor(8, 8, 8));
    const QColor tick(86, 88, 92);
    for (int y = 8; y < 136; y += 14) {
        FillRect(img, QRect(2, y, 3, 1), tick);
        FillRect(img, QRect(15, y, 3, 1), tick);
    }
    return img;
}

QImage SliderThumb(double ratio) {
    QImage img = Blank(20, 14, QColor(12, 12, 13), ratio);
    Bevel(img, QRect(1, 1, 18, 12), QColor(214, 214, 208), QColor(52, 52, 50));
    FillVertical(img, QRect(2, 2, 16, 10), QColor(184, 184, 178), QColor(98, 98, 94));
    FillVertical(img, QRect(3, 6, 14, 2), QColor(245, 203, 56), QColor(196, 150, 30));
    return img;
}

QImage RecordingBarFace(int w, int h, double ratio) {
    QImage img = Blank(w, h, kPanel, ratio);
    // The groove the bar's track lies in (track rows 14-17, x 5 … w - 5).
    Inset(img, QRect(3, 12, w - 6, 8), QColor(10, 10, 10), QColor(10, 10, 10));
    const QColor tick(78, 80, 84);
    for (int i = 0; i <= 10; ++i)
        FillRect(img, QRect(5 + (w - 10) * i / 10, 6, 1, i % 5 == 0 ? 5 : 4), tick);
    return img;
}

}  // namespace

void AddPanelFaces(FaceMap& faces, double ratio) {
    faces["149"] = Glass(117, 22, QColor(14, 14, 12), QColor(5, 5, 5), ratio);
    faces["187"] = SliderTrack(ratio);
    faces["188"] = SliderThumb(ratio);
    faces["189"] = Glass(173, 44, QColor(20, 17, 9), QColor(4, 4, 2), ratio);
    faces["190"] = Glass(349, 80, QColor(11, 11, 10), QColor(4, 4, 4), ratio);
    faces["201"] = Glass(140, 18, QColor(12, 12, 12), QColor(6, 6, 6), ratio);
    faces["202"] = Glass(104, 18, QColor(12, 12, 12), QColor(6, 6, 6), ratio);
    faces["203"] = Glass(640, 18, QColor(12, 12, 12), QColor(6, 6, 6), ratio);
    faces["204"] = RecordingBarFace(800, 24, ratio);
}

}  // namespace velorix::skin::paint
