#pragma once

#include <QIcon>

namespace velorix {

// The program's icon (packaging/velorix.svg, built into the program), drawn
// at any size. Null without Qt's SVG icon engine (libqt6svg6).
QIcon ProgramIcon();

}  // namespace velorix
