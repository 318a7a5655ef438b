// The plots on a screen of two device pixels per window pixel: the same
// picture in window pixels, its lines over whole device pixels, its trace at
// device rows and its text drawn at the device's resolution.
#include <gtest/gtest.h>

#include <memory>

#include "DisplayTestSupport.h"
#include "PlotLayers.h"
#include "RatioCompare.h"

namespace velorix {
namespace {

using test::At;
using test::Pixel;

constexpr int kW = 820;
constexpr int kH = 249;

// The topmost row of the trace's colour in column x.
int TraceTop(const QImage& img, int x) {
    for (int y = 0; y < img.height(); ++y)
        if (img.pixel(x, y) == plotcolour::kTrace) return y;
    return -1;
}

TEST(SpectrumRendererAtRatioTwo, DrawsThePlotFinerNotEnlarged) {
    DisplayState v;
    v.geometry.Reconfigure(1024, 500.0, 10000.0);
    v.refLevelDb = 0;
    v.band = {300, 400};
    v.tunedX = 351;
    const int toneX = v.geometry.BinToPixel(512 + 37);
    v.markerXs = {toneX, 200};
    SpectrumRenderer one(kW, kH), two(kW, kH);
    two.Frames().RequestRatio(2.0);
    for (SpectrumRenderer* r : {&one, &two}) {
        r->Show(std::make_shared<const DisplayState>(v));
        test::FeedTone(*r, 37, 0.1);
    }
    const QImage a = one.Frames().FrontCopy(), b = two.Frames().FrontCopy();
    ASSERT_EQ(b.size(), QSize(2 * kW, 2 * kH));
    EXPECT_EQ(b.devicePixelRatio(), 2.0);

    // The tuned line in the band covers device columns 702 and 703 of a
    // row off the grid, and only those.
    const Pixel band{69, 69, 54}, tunedInBand{255, 197, 54};
    ASSERT_EQ(At(a, 351, 5), tunedInBand);
    EXPECT_EQ(At(b, 701, 10), band);
    EXPECT_EQ(At(b, 702, 10), tunedInBand);
    EXPECT_EQ(At(b, 703, 11), tunedInBand);
    EXPECT_EQ(At(b, 704, 11), band);
    // The tone's peak lies in the 2 x 2 block of its 1x pixel.
    const int peak = TraceTop(a, toneX);
    ASSERT_GT(peak, 0);
    EXPECT_GE(TraceTop(b, 2 * toneX), 2 * peak);
    EXPECT_LE(TraceTop(b, 2 * toneX), 2 * peak + 1);

    // The whole plot averages back to the 1x one; the markers' readouts in
    // the top-right corner are drawn anew.
    const test::Finer f = test::Compare(a, b, QRect(560, 0, kW - 560, 60));
    EXPECT_GE(f.averaged, 0.95);
    EXPECT_GT(f.ink, 100);
    EXPECT_GE(f.redrawn, 0.05);
}

}  // namespace
}  // namespace velorix
