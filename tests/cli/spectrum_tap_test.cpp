#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "PlotLayers.h"
#include "SpectrumTap.h"

namespace velorix {
namespace {

// Hands `blocks` full blocks of a constant signal to the tap, as the display
// thread does.
void Feed(SpectrumTap& tap, int blocks) {
    for (int b = 0; b < blocks; ++b) {
        std::fill_n(reinterpret_cast<Cpx*>(tap.Buffer().WritePos()), tap.FftSize(),
                    Cpx(0.5, -0.25));
        tap.Buffer().AdvanceWrite(tap.FftSize());
        tap.BufferFull();
    }
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
        SpectrumTap tap(c.fftSize, 0.0, false, c.frameRateHz);
        tap.SetRate(c.rateKHz);
        const int blocks = static_cast<int>(seconds * c.rateKHz * 1000.0 / c.fftSize);
        Feed(tap, blocks);
        const double perSecond = tap.Spectra() / seconds;
        // Never more than the frame rate (plus the first block); when blocks
        // come slower than frames, every one is shown.
        EXPECT_LE(tap.Spectra(), seconds * c.frameRateHz + 1) << c.rateKHz << " " << c.fftSize;
        if (blocks <= seconds * c.frameRateHz)
            EXPECT_EQ(tap.Spectra(), static_cast<std::uint64_t>(blocks)) << c.rateKHz;
        else
            EXPECT_GT(perSecond, 0.5 * c.frameRateHz) << c.rateKHz << " " << c.fftSize;
        EXPECT_EQ(tap.LastSpectrumDb().size(), static_cast<size_t>(c.fftSize));
    }
}

TEST(SpectrumTap, LetsTheDisplayThreadDropTheBlocksBetweenFrames) {
    int limit = -1, calls = 0;
    SpectrumTap tap(1024, 0.0, true, 30.0, [&](int n) { limit = n, ++calls; });
    tap.SetRate(500.0);
    // limit + 1 blocks of 1024 samples span a frame period (1/30 s), limit do not.
    EXPECT_GE((limit + 1) * 1024 / 500e3, 1 / 30.0);
    EXPECT_LT(limit * 1024 / 500e3, 1 / 30.0);
    // Each block that reaches the tap stands for limit + 1 of signal, so
    // every one is due; the limit is set again at each frame, since a display
    // restart clears it.
    Feed(tap, 30);
    EXPECT_EQ(tap.Spectra(), 30u);
    EXPECT_EQ(tap.WaterfallLines(), 30);
    EXPECT_EQ(calls, 31);
}

TEST(SpectrumTap, DrawsThePictureOnlyWhenAskedFor) {
    SpectrumTap tap(1024, 0.0, false, 30.0);
    tap.SetRate(500.0);
    Feed(tap, 200);
    EXPECT_GE(tap.Spectra(), 10u);
    RowSpan changed;
    EXPECT_FALSE(tap.Frames().TakePending(changed));
    tap.Rerender();
    EXPECT_TRUE(tap.Frames().TakePending(changed));
    // The trace is in the picture Rerender drew.
    const QImage picture = tap.Frames().FrontCopy();
    int tracePixels = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            tracePixels += picture.pixel(x, y) == plotcolour::kTrace;
    EXPECT_GT(tracePixels, SpectrumTap::kWidth / 2);
}

}  // namespace
}  // namespace velorix
