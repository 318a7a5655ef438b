// Push buttons and check boxes: raised keys with an indicator strip, drawn
// pixel-exact at the device's resolution. Antialiased glyphs keep the same
// pixels from run to run.
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "SkinPaint.h"

namespace velorix::skin::paint {

namespace {

struct Body {
    QColor top, bottom, light, dark;
};

const Body kUp{{84, 86, 90}, {44, 46, 49}, {122, 124, 128}, {28, 29, 31}};
const Body kDown{{30, 31, 33}, {60, 62, 65}, {18, 18, 19}, {78, 80, 84}};
const Body kGrey{{54, 55, 57}, {46, 47, 49}, {62, 63, 65}, {38, 38, 40}};
// The mode keys are light, for their dark captions.
const Body kLightUp{{208, 204, 192}, {158, 154, 144}, {238, 236, 228}, {108, 106, 98}};
const Body kLightDown{{136, 133, 124}, {178, 174, 164}, {92, 90, 84}, {204, 202, 194}};

const QColor kRim{12, 12, 13};
const QColor kGlyphUp{206, 206, 200};
const QColor kGlyphLit{245, 203, 56};
const QColor kGlyphGrey{92, 92, 92};

QImage Key(int w, int h, const Body& body, double ratio) {
    QImage img = Blank(w, h, kRim, ratio);
    Bevel(img, QRect(1, 1, w - 2, h - 2), body.light, body.dark);
    FillVertical(img, QRect(2, 2, w - 4, h - 4), body.top, body.bottom);
    return img;
}

void Fill(QImage& img, const QPainterPath& path, const QColor& c) {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(path, c);
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// The glyph of a push button, centred in a w x h face.
void Glyph(QImage& img, const std::string& base, const QColor& c, bool lit) {
    const double cx = LogicalSize(img).width() / 2.0;
    const double cy = LogicalSize(img).height() / 2.0;
    if (base == "ARROWU")
        Fill(img, Polygon({{cx - 5, cy + 3}, {cx + 5, cy + 3}, {cx, cy - 3}}), c);
    else if (base == "ARROWD")
        Fill(img, Polygon({{cx - 5, cy - 3}, {cx + 5, cy - 3}, {cx, cy + 3}}), c);
    else if (base == "ARROWL")
        Fill(img, Polygon({{cx + 3, cy - 5}, {cx + 3, cy + 5}, {cx - 3, cy}}), c);
    else if (base == "ARROWR")
        Fill(img, Polygon({{cx - 3, cy - 5}, {cx - 3, cy + 5}, {cx + 3, cy}}), c);
    else if (base == "STOP") {
        QPainterPath path;
        path.addRect(QRectF(cx - 4, cy - 4, 8, 8));
        Fill(img, path, c);
    } else if (base == "PLAY")
        Fill(img, Polygon({{cx - 4, cy - 5}, {cx - 4, cy + 5}, {cx + 5, cy}}), c);
    else if (base == "RECORD") {
        QPainterPath path;
        path.addEllipse(QPointF(cx, cy), 4.5, 4.5);
        const QColor red = c == kGlyphGrey ? c : lit ? QColor(255, 72, 48) : QColor(176, 40, 30);
        Fill(img, path, red);
    } else if (base == "IDB_EXIT") {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(c, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(cx - 4, cy - 4), QPointF(cx + 4, cy + 4));
        p.drawLine(QPointF(cx + 4, cy - 4), QPointF(cx - 4, cy + 4));
    } else if (base == "IDB_MINIMIZE") {
        QPainterPath path;
        path.addRect(QRectF(cx - 5, cy + 3, 10, 2));
        Fill(img, path, c);
    } else if (base == "IDB_LOGO") {
        // A wave over a baseline, in the digits' amber.
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kGlyphLit, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath wave;
        wave.moveTo(cx - 6, cy);
        wave.cubicTo(cx - 4, cy - 7, cx - 1, cy - 7, cx, cy);
        wave.cubicTo(cx + 1, cy + 7, cx + 4, cy + 7, cx + 6, cy);
        p.drawPath(wave);
    }
}

void AddPushButton(FaceMap& faces, const std::string& base, int w, int h, bool grey, double ratio) {
    QImage up = Key(w, h, kUp, ratio);
    QImage down = Key(w, h, kDown, ratio);
    Glyph(up, base, kGlyphUp, false);
    Glyph(down, base, kGlyphLit, true);
    faces[base + "U"] = up;
    faces[base + "D"] = down;
    if (grey) {
        QImage g = Key(w, h, kGrey, ratio);
        Glyph(g, base, kGlyphGrey, false);
        faces[base + "G"] = g;
    }
}

// The indicator strip across the top of a check box, lit when checked.
void Indicator(QImage& img, bool checked, bool pressed, bool lamp) {
    const QColor on = pressed ? QColor(224, 168, 40) : QColor(255, 196, 52);
    const QColor off = pressed ? QColor(56, 38, 8) : QColor(72, 50, 12);
    const QColor c = checked ? on : off;
    const QSize size = LogicalSize(img);
    FillRect(img, QRect(2, 2, size.width() - 4, 3), c);
    if (lamp) {
        // The square's own lamp in its middle.
        const QRect r(size.width() / 2 - 4, size.height() / 2 - 2, 8, 7);
        FillVertical(img, r, c, checked ? c.darker(130) : c);
        Bevel(img, r.adjusted(-1, -1, 1, 1), QColor(16, 16, 16), QColor(96, 98, 102));
    }
}

void AddCheckBox(FaceMap& faces, const std::string& base, int w, int h, bool light, bool lamp,
                 double ratio) {
    for (bool pressed : {false, true})
        for (bool checked : {false, true}) {
            QImage img = Key(
                w, h, light ? (pressed ? kLightDown : kLightUp) : (pressed ? kDown : kUp), ratio);
            Indicator(img, checked, pressed, lamp);
            faces[base + (pressed ? "D" : "U") + (checked ? "C" : "U")] = img;
        }
}

}  // namespace

void AddButtonFaces(FaceMap& faces, double ratio) {
    for (const char* arrow : {"ARROWU", "ARROWD", "ARROWL", "ARROWR"})
        AddPushButton(faces, arrow, 22, 20, true, ratio);
    AddPushButton(faces, "BTNDARK", 39, 20, true, ratio);
    for (const char* transport : {"STOP", "PLAY", "RECORD"})
        AddPushButton(faces, transport, 40, 20, true, ratio);
    for (const char* frame : {"IDB_EXIT", "IDB_MINIMIZE", "IDB_LOGO"})
        AddPushButton(faces, frame, 21, 21, false, ratio);
}

void AddCheckFaces(FaceMap& faces, double ratio) {
    AddCheckBox(faces, "SQUARE", 22, 20, false, true, ratio);
    AddCheckBox(faces, "IDB_CHKDARK", 39, 20, false, false, ratio);
    AddCheckBox(faces, "IDB_CHK49x25", 49, 25, true, false, ratio);
}

}  // namespace velorix::skin::paint
