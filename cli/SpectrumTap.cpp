#include "SpectrumTap.h"

#include "DisplayTables.h"

namespace velorix {

SpectrumTap::SpectrumTap(int fftSize, double averaging, bool keepWaterfall, double frameRateHz,
                         SkipControl skip)
    : SpectrumRenderer(kWidth, kHeight) {
    SpectrumView view = View();
    view.geometry.Reconfigure(fftSize, 500.0, 0.0);
    SetView(view);
    SetAveraging(averaging);
    if (keepWaterfall) KeepWaterfall(kWaterfallLines);
    SetSignalPacing(frameRateHz, std::move(skip));
}

SpectrumView MainViewFromSettings(const SettingsRecord& settings, double rateKHz, double lowKHz,
                                  double highKHz) {
    SpectrumView view;
    view.geometry = DisplayGeometry(SpectrumTap::kWidth, SpectrumTap::kHeight);
    const double centreKHz = static_cast<double>(settings.CenterFreq) / 1000.0;
    view.geometry.Reconfigure(MainFFTSize(settings.MainFFTIdx), rateKHz, centreKHz);
    view.refLevelDb = settings.RefLevel;
    view.dbPerDivision = DbPerDivision(settings.RefScaleIdx);
    view.levelOffsetDb = LevelCalibrationDb(settings);
    const double tunedKHz = settings.TunedHz() / 1000.0;
    view.tunedX = view.geometry.KHzToPixel(tunedKHz);
    view.band = view.geometry.BandPixels(tunedKHz, lowKHz, highKHz, view.tunedX);
    return view;
}

}  // namespace velorix
