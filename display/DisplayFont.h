#pragma once

#include <QFont>

namespace velorix {

// The displays' Verdana, unsmoothed so every screen shows the same pixels.
// Where Verdana is missing, the condensed face of the fallback family keeps
// the texts about as wide as Verdana's, so they fit their boxes.
QFont DisplayFont(double pointSize, int pixelSize = 0);

}  // namespace velorix
