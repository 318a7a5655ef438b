#include "SkinStyle.h"

namespace velorix::skin {

namespace {

// Pixel heights keep text the same size whatever the screen's resolution.
QFont PixelFont(const char* family, int pixels, int weight) {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace

// A 12-pixel cell holds an 11-pixel em; narrow letters keep "Preamp" and
// "Velorix" inside a 39-pixel key.
QFont CaptionFont() {
    // Drawn without smoothing: every stroke is the caption colour itself.
    QFont font = PixelFont("Roman", 11, 500);
    font.setStretch(QFont::SemiCondensed);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}
QFont ModeFont() {
    return PixelFont("Roman", 14, 400);
}
QFont ValueLabelFont() {
    return PixelFont("Roman", 16, 500);
}
QFont StatusFont() {
    return PixelFont("Verdana", 12, 500);
}
QFont StationFont() {
    return PixelFont("Roman", 13, 500);
}
// Sized so that one big digit is about 18 px and one small digit about 12 px
// wide: the wheel picks the digit under the pointer by those widths.
QFont ReadoutBigFont() {
    return PixelFont("Arial Rounded MT Bold", 28, 400);
}
QFont ReadoutSmallFont() {
    return PixelFont("Arial Rounded MT Bold", 19, 400);
}
QFont KeypadFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}
QFont TitleFont() {
    QFont font = PixelFont("Roman", 11, 600);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

}  // namespace velorix::skin
