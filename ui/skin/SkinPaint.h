#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <map>
#include <string>

// The drawing of the skin's faces, shared by the generator's files.
namespace velorix::skin::paint {

using FaceMap = std::map<std::string, QImage>;

// A blank face of the given size (32-bit RGB, no alpha).
QImage Blank(int w, int h, const QColor& fill);
// Rows of `r` shaded from `top` to `bottom` by integer steps.
void FillVertical(QImage& img, const QRect& r, const QColor& top, const QColor& bottom);
// A one-pixel frame: `light` on the top and left, `dark` on the bottom and right.
void Bevel(QImage& img, const QRect& r, const QColor& light, const QColor& dark);
// A sunken black-glass window with a thin rim.
void Inset(QImage& img, const QRect& r, const QColor& glassTop, const QColor& glassBottom);

void AddButtonFaces(FaceMap& faces);  // push buttons and the frame buttons
void AddCheckFaces(FaceMap& faces);   // check boxes
void AddPanelFaces(FaceMap& faces);   // labels, slider, readout, panels, bar
QImage Background();                  // face 134

// The plain panel colour of the background, which the panels blend into.
inline const QColor kPanel{34, 36, 39};

}  // namespace velorix::skin::paint
