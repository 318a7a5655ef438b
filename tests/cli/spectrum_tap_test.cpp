#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "PlotLayers.h"
#include "SpectrumTap.h"

namespace velorix {
namespace {

// The tap at `fftSize` bins and `rateKHz`; `limit` follows the skip limit it sets.
std::unique_ptr<SpectrumTap> Tap(int fftSize, double rateKHz, double frameRateHz, int& limit,
                                 bool keepWaterfall = false) {
    auto tap =
        std::make_unique<SpectrumTap>(keepWaterfall, frameRateHz, [&limit](int n) { limit = n; });
    auto state = std::make_shared<DisplayState>();
    state->geometry.Reconfigure(fftSize, rateKHz, 10000.0);
    tap->Show(state);
    tap->SetRate(rateKHz);
    return tap;
}

// Hands one block of a constant signal to the tap.
void Hand(SpectrumTap& tap) {
    std::fill_n(reinterpret_cast<Cpx*>(tap.Buffer().WritePos()), tap.FftSize(), Cpx(0.5, -0.25));
    tap.Buffer().AdvanceWrite(tap.FftSize());
    tap.BufferFull();
}

// Hands `blocks` blocks to the tap as its display thread does: the skip
// limit drops the ones between. Returns the blocks handed over.
int Feed(SpectrumTap& tap, int blocks, const int& limit) {
    int handed = 0;
    for (int b = 0, skipped = 0; b < blocks; ++b) {
        if (skipped < limit) {
            ++skipped;
            continue;
        }
        skipped = 0;
        Hand(tap);
        ++handed;
    }
    return handed;
}

TEST(SpectrumTap, ComputesAtMostTheFrameRatesWorthOfSpectraPerSecondOfSignal) {
    struct Case {
        double rateKHz;
        int fftSize;
        double frameRateHz;
    };
    const double seconds = 10.0;
    for (const Case c : {Case{500.0, 1024, 30.0}, Case{125.0, 1024, 30.0}, Case{250.0, 2048, 25.0},
                         Case{500.0, 65536, 30.0}, Case{125.0, 65536, 30.0}}) {
        SCOPED_TRACE(testing::Message() << c.rateKHz << " kHz, " << c.fftSize << " bins");
        int limit = -1;
        const auto tap = Tap(c.fftSize, c.rateKHz, c.frameRateHz, limit, true);
        const int blocks = static_cast<int>(seconds * c.rateKHz * 1000.0 / c.fftSize);
        Hand(*tap);  // brings the FFT size
        const std::uint64_t spectra = tap->Spectra();
        const int lines = tap->WaterfallLines();
        const int handed = Feed(*tap, blocks, limit);
        // limit + 1 blocks span a frame period, limit do not.
        const double blockSeconds = c.fftSize / (c.rateKHz * 1000.0);
        EXPECT_GE((limit + 1) * blockSeconds, 1 / c.frameRateHz - 1e-12);
        if (limit > 0) {
            EXPECT_LT(limit * blockSeconds, 1 / c.frameRateHz);
        }
        // Every block handed over is due: one spectrum and one waterfall line each.
        EXPECT_EQ(tap->Spectra() - spectra, static_cast<std::uint64_t>(handed));
        EXPECT_EQ(tap->WaterfallLines() - lines, handed);
        EXPECT_LE(handed, seconds * c.frameRateHz + 1);
        EXPECT_GT(handed, 0.5 * std::min(seconds * c.frameRateHz, 1.0 * blocks));
        EXPECT_EQ(tap->LastSpectrumDb().size(), static_cast<size_t>(c.fftSize));
    }
}

TEST(SpectrumTap, DrawsThePictureOnlyWhenAskedFor) {
    int limit = 0;
    const auto tap = Tap(1024, 500.0, 30.0, limit);
    Hand(*tap);
    Feed(*tap, 200, limit);
    EXPECT_GE(tap->Spectra(), 10u);
    RowSpan changed;
    EXPECT_FALSE(tap->Frames().TakePending(changed));
    tap->Render();
    EXPECT_TRUE(tap->Frames().TakePending(changed));
    // The trace is in the picture Render drew.
    const QImage picture = tap->Frames().FrontCopy();
    int tracePixels = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            tracePixels += picture.pixel(x, y) == plotcolour::kTrace;
    EXPECT_GT(tracePixels, SpectrumTap::kWidth / 2);
}

}  // namespace
}  // namespace velorix
