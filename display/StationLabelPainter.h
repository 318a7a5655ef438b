#pragma once

#include <QImage>
#include <QRect>
#include <string>
#include <vector>

#include "DisplayState.h"

namespace velorix {

// The station names over the main spectrum: a small smoothed face in the
// skin's text colour, each name on a darkened box so it stays readable over
// the trace, with a short tick down to its station's column.
class StationLabelPainter {
public:
    // The width of a label's box for `text`, pixels: what the controller
    // lays the labels out with. Callable from any thread.
    static int BoxWidth(const std::string& text);
    // The height of one label row (box and tick), pixels.
    static int RowHeight();

    // Draws `labels` over `image`; true when they differ from the last
    // call's. The labels are drawn into a layer kept until they change, so
    // a frame with the same labels only blends their boxes from it.
    bool Draw(QImage& image, const std::vector<StationLabel>& labels);

private:
    std::vector<StationLabel> drawn_;
    QImage layer_;
    // The layer's boxes and ticks, window pixels.
    std::vector<QRect> inked_;
};

}  // namespace velorix
