#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "DspBlock.h"
#include "SpectrumEstimator.h"

namespace velorix {

// The headless receiver's main display: behind the main display thread it
// turns every block of N samples into an averaged spectrum, as the window's
// display does, and keeps the waterfall lines (colour indices 0..255) when
// asked to. Runs on the display thread; read the lines after the stream ends.
class SpectrumTap : public CDspConsumer {
public:
    // `fftSize` N (a power of two), `averaging` a as the display sets it.
    SpectrumTap(int fftSize, double averaging, bool keepWaterfall);

    void BufferFull() override;
    std::string& GetName(std::string& name) override { return name = "CDisplay"; }

    int FftSize() const { return fftSize_; }
    std::uint64_t Spectra() const;
    // The waterfall, one line per spectrum, oldest first.
    std::vector<std::vector<std::uint8_t>> WaterfallLines() const;
    // The last spectrum in dB, lowest frequency first.
    std::vector<double> LastSpectrumDb() const;

private:
    int fftSize_;
    bool keepWaterfall_;
    CSpectrumEstimator estimator_;
    mutable std::mutex mutex_;
    std::uint64_t spectra_ = 0;
    std::vector<double> last_;
    std::vector<std::vector<std::uint8_t>> lines_;
};

}  // namespace velorix
