#include "SpectrumTap.h"

#include <algorithm>

#include "DisplayTables.h"

namespace velorix {

namespace {
// Keeps the waterfall image to a size a viewer opens (about 40 s at 25 lines/s).
constexpr size_t kMaxWaterfallLines = 1000;
}  // namespace

SpectrumTap::SpectrumTap(int fftSize, double averaging, bool keepWaterfall)
    : CDspConsumer(kDspTypeComplex, fftSize, 0),
      fftSize_(fftSize),
      keepWaterfall_(keepWaterfall),
      estimator_(0) {
    estimator_.SetSize(static_cast<unsigned>(fftSize), buffer->Main());
    estimator_.SetAveraging(averaging);
}

void SpectrumTap::BufferFull() {
    estimator_.ComplexFft();
    estimator_.ToDb();
    const double* db = estimator_.SwapHalves();
    {
        std::lock_guard lock(mutex_);
        ++spectra_;
        last_.assign(db, db + fftSize_);
        if (keepWaterfall_ && lines_.size() < kMaxWaterfallLines) {
            const std::vector<int> idx = WaterfallIndices(db, fftSize_);
            std::vector<std::uint8_t> line(idx.size());
            std::transform(idx.begin(), idx.end(), line.begin(),
                           [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); });
            lines_.push_back(std::move(line));
        }
    }
    buffer->Commit();
}

std::uint64_t SpectrumTap::Spectra() const {
    std::lock_guard lock(mutex_);
    return spectra_;
}

std::vector<std::vector<std::uint8_t>> SpectrumTap::WaterfallLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<double> SpectrumTap::LastSpectrumDb() const {
    std::lock_guard lock(mutex_);
    return last_;
}

}  // namespace velorix
