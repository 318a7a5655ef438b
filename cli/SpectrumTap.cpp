#include "SpectrumTap.h"

#include <algorithm>
#include <cmath>

#include "DisplayTables.h"

namespace velorix {

namespace {
// Keeps the waterfall image to a size a viewer opens (about 33 s at 30 lines/s).
constexpr size_t kMaxWaterfallLines = 1000;
}  // namespace

SpectrumTap::SpectrumTap(int fftSize, double averaging, bool keepWaterfall, double frameRateHz,
                         SkipControl skip)
    : CDspConsumer(kDspTypeComplex, fftSize, 0),
      fftSize_(fftSize),
      keepWaterfall_(keepWaterfall),
      frameRateHz_(frameRateHz > 0.0 ? frameRateHz : 1.0),
      skip_(std::move(skip)),
      estimator_(0) {
    estimator_.SetSize(static_cast<unsigned>(fftSize), buffer->Main());
    estimator_.SetAveraging(averaging);
}

void SpectrumTap::Restart() {
    CDspConsumer::Restart();
    // The first block after a restart is always shown.
    const double blocks = rate * 1000.0 / (frameRateHz_ * fftSize_);
    blocksPerFrame_ = blocks > 1.0 ? static_cast<int>(std::min(std::ceil(blocks), 1e6)) : 1;
    blocksSinceFrame_ = blocksPerFrame_;
    if (skip_) skip_(blocksPerFrame_ - 1);
}

void SpectrumTap::BufferFull() {
    blocksSinceFrame_ += skip_ ? blocksPerFrame_ : 1;
    if (blocksSinceFrame_ >= blocksPerFrame_) {
        blocksSinceFrame_ = 0;
        Compute();
        // Set again each frame: a display restart clears the thread's limit.
        if (skip_) skip_(blocksPerFrame_ - 1);
    }
    buffer->Commit();
}

void SpectrumTap::Compute() {
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
