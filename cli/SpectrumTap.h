#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "DspBlock.h"
#include "SpectrumEstimator.h"

namespace velorix {

// The headless receiver's main display: behind the main display thread it
// turns blocks of N samples into an averaged spectrum, as the window's
// display does, and keeps the waterfall lines (colour indices 0..255) when
// asked to. Like the window, which computes one spectrum per painted frame,
// it computes at most `frameRateHz` spectra per second of signal, whether the
// chain runs in real time or as fast as it can; the blocks in between are
// dropped. Runs on the display thread; read the lines after the stream ends.
class SpectrumTap : public CDspConsumer {
public:
    // Drops n blocks upstream between two handed over (the display thread's
    // skip limit), so the blocks between two frames never wake the thread.
    using SkipControl = std::function<void(int n)>;

    // `fftSize` N (a power of two), `averaging` a as the display sets it,
    // `frameRateHz` > 0 the display's frame rate. `skip` may be empty: then
    // every block reaches the tap, which drops the ones between frames itself.
    SpectrumTap(int fftSize, double averaging, bool keepWaterfall, double frameRateHz,
                SkipControl skip = {});

    // Takes the new rate: the frame spacing in blocks follows from it.
    void Restart() override;
    void BufferFull() override;
    std::string& GetName(std::string& name) override { return name = "CDisplay"; }

    int FftSize() const { return fftSize_; }
    // Blocks of N samples of signal per frame at the current rate (≥ 1).
    int BlocksPerFrame() const { return blocksPerFrame_; }
    std::uint64_t Spectra() const;
    // The waterfall, one line per spectrum, oldest first.
    std::vector<std::vector<std::uint8_t>> WaterfallLines() const;
    // The last spectrum in dB, lowest frequency first.
    std::vector<double> LastSpectrumDb() const;

private:
    void Compute();

    int fftSize_;
    bool keepWaterfall_;
    double frameRateHz_;
    SkipControl skip_;
    int blocksPerFrame_ = 1;
    // Blocks of signal since the last frame; each block that arrives stands
    // for the ones dropped upstream before it.
    int blocksSinceFrame_ = 0;
    CSpectrumEstimator estimator_;
    mutable std::mutex mutex_;
    std::uint64_t spectra_ = 0;
    std::vector<double> last_;
    std::vector<std::vector<std::uint8_t>> lines_;
};

}  // namespace velorix
