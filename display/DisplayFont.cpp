#include "DisplayFont.h"

#include <QFontInfo>

namespace velorix {

QFont DisplayFont(double pointSize, int pixelSize) {
    QFont font("Verdana");
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    else
        font.setPointSizeF(pointSize);
    font.setWeight(QFont::Medium);
    font.setStyleStrategy(QFont::NoAntialias);
    if (QFontInfo(font).family() != "Verdana") font.setStretch(QFont::Condensed);
    return font;
}

}  // namespace velorix
