#pragma once

#include <QImage>
#include <QPainter>

#include "SMeterValues.h"

namespace velorix {

// The S-meter's face: the dBm scale from -130 to 0 with S-units and "+dB"
// marks, the bar, the level as a number, and the "ADC CLIP" and "LOCK"
// boxes. The scale is the width less 24 pixels; the face is 62 pixels high.
// The scale is drawn once per width and kept; each paint copies it and adds
// the bar, the number and the boxes. User-interface thread.
class SMeterPainter {
public:
    static constexpr int kHeight = 62;

    explicit SMeterPainter(int widthPx);
    // Draws the whole face for a reading into a painter on the widthPx × 62 area.
    void Paint(QPainter& painter, const SMeterReading& reading) const;
    // The face as an image (tests and pictures).
    QImage Render(const SMeterReading& reading) const;
    int Width() const { return scale_.width(); }

private:
    QImage scale_;
    QFont font_;
};

}  // namespace velorix
