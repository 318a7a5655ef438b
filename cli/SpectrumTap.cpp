#include "SpectrumTap.h"

namespace velorix {

SpectrumTap::SpectrumTap(bool keepWaterfall, double frameRateHz, SkipControl skip)
    : SpectrumRenderer(kWidth, kHeight) {
    if (keepWaterfall) KeepWaterfall(kWaterfallLines);
    SetSignalPacing(frameRateHz, std::move(skip));
}

}  // namespace velorix
