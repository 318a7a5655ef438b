#pragma once

#include <QImage>
#include <string>

#include "SpectrumRenderer.h"

namespace velorix {

// The headless receiver's main display: the window's renderer behind the
// main display thread, 820 × 249 as in the window, drawing the state the
// controller gives it. Like the window, which computes one spectrum per
// painted frame, it computes at most `frameRateHz` spectra per second of
// signal, whether the chain runs in real time or as fast as it can; the
// thread's skip limit drops the blocks in between. Read the pictures after
// the stream ends.
class SpectrumTap : public SpectrumRenderer {
public:
    static constexpr int kWidth = kMainPlotWidth;
    static constexpr int kHeight = kMainPlotHeight;
    // Waterfall lines kept for the picture (about 33 s at 30 lines a second).
    static constexpr int kWaterfallLines = 1000;

    SpectrumTap(bool keepWaterfall, double frameRateHz, SkipControl skip);
};

}  // namespace velorix
