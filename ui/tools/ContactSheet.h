#pragma once

#include <QImage>

namespace velorix {

// Every skinned control in every state (up, lit, grey, pressed, checked,
// disabled; slider positions; readout texts; recording bar with position and
// selection; station lines) on one sheet, titled, small controls twice as
// large: what the skin looks like, for the documentation and for review.
QImage ContactSheet(int width = 1024);

}  // namespace velorix
