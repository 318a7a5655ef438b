#pragma once

#include <QImage>
#include <string>

#include "SettingsRecord.h"
#include "SpectrumRenderer.h"

namespace velorix {

// The headless receiver's main display: the window's renderer behind the
// main display thread, 820 × 249 as in the window. Like the window, which
// computes one spectrum per painted frame, it computes at most `frameRateHz`
// spectra per second of signal, whether the chain runs in real time or as
// fast as it can; the blocks in between are dropped (by the thread's skip
// limit when `skip` is given). Read the pictures after the stream ends.
class SpectrumTap : public SpectrumRenderer {
public:
    static constexpr int kWidth = 820;
    static constexpr int kHeight = 249;
    // Waterfall lines kept for the picture (about 33 s at 30 lines a second).
    static constexpr int kWaterfallLines = 1000;

    SpectrumTap(int fftSize, double averaging, bool keepWaterfall, double frameRateHz,
                SkipControl skip = {});
};

// The main display's view from the stored display settings: FFT size,
// reference level, dB per division, calibration, the tuned line and the
// passband band (its edges relative to the tuned frequency, kHz).
SpectrumView MainViewFromSettings(const SettingsRecord& settings, double rateKHz, double lowKHz,
                                  double highKHz);

}  // namespace velorix
