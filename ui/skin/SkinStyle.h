#pragma once

#include <QColor>
#include <QFont>

namespace velorix::skin {

// Colours of the skin, as the controls draw them over their faces.
inline const QColor kCaption{196, 128, 0};    // check buttons, labels, status texts
inline const QColor kModeCaption{16, 16, 0};  // the mode keys
inline const QColor kDigits{245, 203, 56};    // frequency readout, station lines
inline const QColor kTitle{150, 148, 138};    // group titles on the background

// A disabled caption: every channel halved.
inline QColor Dimmed(const QColor& c) {
    return QColor(c.red() >> 1, c.green() >> 1, c.blue() >> 1);
}

// Fonts are asked for by the names the skin was designed with; fontconfig
// substitutes what the machine has (DejaVu Sans on a plain Debian).
QFont CaptionFont();       // check buttons and text push buttons
QFont ModeFont();          // the mode keys
QFont ValueLabelFont();    // "RefLev" … "WheelStep" numbers
QFont StatusFont();        // date, time and file texts
QFont StationFont();       // station panel lines
QFont ReadoutBigFont();    // MHz and kHz digits
QFont ReadoutSmallFont();  // Hz digits
QFont KeypadFont();        // the frequency keypad dialog
QFont TitleFont();         // group titles drawn into the background

}  // namespace velorix::skin
