#include "SpectrumTap.h"

#include <QString>

namespace velorix {

SpectrumTap::SpectrumTap(bool keepWaterfall, double frameRateHz, SkipControl skip)
    : SpectrumRenderer(kWidth, kHeight) {
    if (keepWaterfall) KeepWaterfall(kWaterfallLines);
    SetSignalPacing(frameRateHz, std::move(skip));
}

bool WritePng(const QImage& image, const std::string& path, const char* what, std::string& why) {
    if (!image.save(QString::fromStdString(path), "PNG")) {
        why = std::string("cannot write the ") + what + " to " + path;
        return false;
    }
    return true;
}

}  // namespace velorix
