#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <map>
#include <string>

// The drawing of the skin's faces, shared by the generator's files. Faces are
// drawn in window pixels onto images of the device's resolution: an image's
// device pixel ratio says how many of its pixels make one window pixel, and
// every rectangle below is given in window pixels.
namespace velorix::skin::paint {

using FaceMap = std::map<std::string, QImage>;

// A blank face of w x h window pixels at `ratio` (32-bit RGB, no alpha).
QImage Blank(int w, int h, const QColor& fill, double ratio);
// The face's size in window pixels.
QSize LogicalSize(const QImage& img);
// The image pixels that cover window rectangle `r`: its edges rounded to the
// nearest pixel, so neighbouring rectangles share no pixel and leave no gap.
QRect DeviceRect(const QImage& img, const QRect& r);
// Window rectangle `r` in one colour.
void FillRect(QImage& img, const QRect& r, const QColor& c);
// Rows of `r` shaded from `top` to `bottom` by integer steps.
void FillVertical(QImage& img, const QRect& r, const QColor& top, const QColor& bottom);
// A one-pixel frame: `light` on the top and left, `dark` on the bottom and right.
void Bevel(QImage& img, const QRect& r, const QColor& light, const QColor& dark);
// A sunken black-glass window with a thin rim.
void Inset(QImage& img, const QRect& r, const QColor& glassTop, const QColor& glassBottom);

void AddButtonFaces(FaceMap& faces, double ratio);  // push buttons and the frame buttons
void AddCheckFaces(FaceMap& faces, double ratio);   // check boxes
void AddPanelFaces(FaceMap& faces, double ratio);   // labels, slider, readout, panels, bar
QImage Background(double ratio);                    // face 134

// The plain panel colour of the background, which the panels blend into.
inline const QColor kPanel{34, 36, 39};

}  // namespace velorix::skin::paint
