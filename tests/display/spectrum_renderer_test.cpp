#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "DisplayTables.h"
#include "DisplayTestSupport.h"
#include "MarkerList.h"
#include "PlotLayers.h"
#include "SecondaryDisplayModel.h"

namespace velorix {
namespace {

using test::At;
using test::Pixel;

constexpr int kW = 820;
constexpr int kH = 249;
constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kTrace{232, 255, 232};

class SpectrumRendererTest : public ::testing::Test {
protected:
    void SetUp() override { test::EnsureGuiApplication(); }

    // A view of N bins at 500 kHz around 10 MHz, no averaging.
    SpectrumView Configure(int bins) {
        SpectrumView v = renderer.View();
        v.geometry.Reconfigure(bins, 500.0, 10000.0);
        renderer.SetView(v);
        renderer.SetAveraging(0.0);
        return v;
    }
    QImage Frame() { return renderer.Frames().FrontCopy(); }

    SpectrumRenderer renderer{kW, kH};
};

// A column that no vertical grid line crosses.
int ColumnOffGrid(SpectrumView& v, int from) {
    std::vector<int> xs;
    for (const ScaleTick& t : v.geometry.Scale().Ticks())
        if (t.major) xs.push_back(t.x);
    while (std::find(xs.begin(), xs.end(), from) != xs.end())
        ++from;
    return from;
}

TEST_F(SpectrumRendererTest, GridBandAndLinesMergeByOr) {
    SpectrumView v = Configure(4096);
    const int tuned = ColumnOffGrid(v, 350);
    const int cursor = ColumnOffGrid(v, 380);
    const int outside = ColumnOffGrid(v, 100);
    v.band = {300, 400};
    v.tunedX = tuned;
    v.cursorX = cursor;
    renderer.SetView(v);
    renderer.Rerender();
    QImage img = Frame();
    const int gridRow = 2 * kH / 15;  // 33
    EXPECT_EQ(At(img, outside, gridRow), (Pixel{32, 32, 32}));
    EXPECT_EQ(At(img, 320, gridRow), (Pixel{101, 101, 54}));
    EXPECT_EQ(At(img, 320, gridRow + 1), (Pixel{69, 69, 54}));
    EXPECT_EQ(At(img, outside, gridRow + 1), kBlack);
    EXPECT_EQ(At(img, tuned, 100), (Pixel{255, 197, 54}));
    EXPECT_EQ(At(img, cursor, 100), (Pixel{255, 69, 54}));

    // The band elsewhere: both lines on black.
    v.band = {600, 700};
    renderer.SetView(v);
    renderer.Rerender();
    img = Frame();
    EXPECT_EQ(At(img, tuned, 100), (Pixel{255, 128, 0}));
    EXPECT_EQ(At(img, cursor, 100), (Pixel{255, 0, 0}));
    EXPECT_EQ(At(img, 650, 100), (Pixel{69, 69, 54}));
}

TEST_F(SpectrumRendererTest, ToneLightsTheRowOfItsCalibratedLevel) {
    SpectrumView v = Configure(1024);
    v.refLevelDb = 0;
    v.dbPerDivision = 10;
    v.levelOffsetDb = -4.0;
    renderer.SetView(v);
    const double amp = 0.1;
    const int toneBin = 37;
    test::FeedTone(renderer, toneBin, amp);

    // The estimator scales by 1/N after its window: the tone's level is the
    // window's mean times the amplitude.
    CSpectrumEstimator reference(0);
    std::vector<std::complex<double>> in(1024);
    reference.SetSize(1024, in.data());
    const double gain = std::accumulate(reference.Window(), reference.Window() + 1024, 0.0) / 1024;
    const double levelDb = 20.0 * std::log10(amp * gain);
    EXPECT_NEAR(renderer.LastSpectrumDb()[512 + toneBin], levelDb, 1e-6);
    // Reference level at the top, 15 divisions of 10 dB down 249 rows.
    const int row = static_cast<int>(kH / 150.0 * (0.0 - (-4.0 + levelDb)));
    ASSERT_GT(row, 5);
    const int x = v.geometry.BinToPixel(512 + toneBin);
    const QImage img = Frame();
    EXPECT_EQ(At(img, x, row), kTrace);
    EXPECT_NE(At(img, x, row - 1), kTrace);

    // Scrolled 50 pixels while no block comes: the redraw moves the peak with it.
    ASSERT_TRUE(v.geometry.DragScale(50));
    renderer.SetView(v);
    renderer.Rerender();
    const QImage moved = Frame();
    EXPECT_EQ(At(moved, x + 50, row), kTrace);
    EXPECT_NE(At(moved, x + 50, row - 1), kTrace);
}

TEST_F(SpectrumRendererTest, WaterfallScrollsDownNewestFirst) {
    SpectrumView v = Configure(1024);
    v.function = 1;
    v.bandVisible = false;
    renderer.SetView(v);
    const int k = 6;
    std::vector<std::vector<double>> spectra;
    for (int j = 0; j < k; ++j) {
        test::FeedTone(renderer, 20 * j - 50, 0.1);
        spectra.push_back(renderer.LastSpectrumDb());
    }
    const QImage img = Frame();
    const auto& palette = WaterfallPalette();
    for (int j : {0, k - 1}) {
        const int row = k - 1 - j;  // the first line is k - 1 rows down
        const std::vector<int> idx = WaterfallIndices(spectra[j].data(), 1024);
        for (int bin : {512 + 20 * j - 50, 300, 700}) {
            const Rgb c = palette[std::clamp(idx[bin], 0, 255)];
            EXPECT_EQ(At(img, v.geometry.BinToPixel(bin), row), (Pixel{c.r, c.g, c.b}))
                << "line " << j << " bin " << bin;
        }
    }
    // The tone is well above the mean: a bright colour, not black.
    EXPECT_NE(At(img, v.geometry.BinToPixel(512 + 20 * (k - 1) - 50), 0), kBlack);
    EXPECT_EQ(At(img, 410, k), kBlack);  // below the lines, nothing yet
    EXPECT_EQ(renderer.WaterfallImage().width(), kW);
}

TEST_F(SpectrumRendererTest, WaterfallScrolledPastTheBandIsBlackThere) {
    SpectrumView v = Configure(4096);
    v.function = 1;
    v.bandVisible = false;
    ASSERT_TRUE(v.geometry.DragScale(v.geometry.VisibleCentreBin()));
    ASSERT_EQ(v.geometry.VisibleCentreBin(), 0);
    renderer.SetView(v);
    // A tone at bin 200 of the band, which is now at pixel 410 + 200.
    test::FeedTone(renderer, 200 - 2048, 0.1);
    test::FeedTone(renderer, 200 - 2048, 0.1);
    const QImage img = Frame();
    for (int x = 0; x < kW / 2; x += 7)
        ASSERT_EQ(At(img, x, 0), kBlack) << x;
    EXPECT_EQ(At(img, kW / 2 - 1, 0), kBlack);
    EXPECT_NE(At(img, kW / 2 + 200, 0), kBlack);
    EXPECT_NE(At(img, kW / 2 + 200, 1), kBlack);
}

// A frame over an unchanged background names only the rows its trace and the
// last one cover; anything else repaints the whole plot.
TEST_F(SpectrumRendererTest, FramesNameTheRowsTheyChanged) {
    SpectrumView v = Configure(1024);
    v.refLevelDb = 0;
    renderer.SetView(v);
    FrameExchange& frames = renderer.Frames();
    RowSpan rows;
    test::FeedTone(renderer, 37, 0.1);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));  // the first frame
    EXPECT_FALSE(frames.TakePending(rows));

    const QImage before = Frame();
    test::FeedTone(renderer, -100, 0.03);
    test::FeedTone(renderer, 120, 0.01);
    const QImage after = Frame();
    ASSERT_TRUE(frames.TakePending(rows));
    // Both frames since the take: their union, well short of the whole plot.
    EXPECT_GT(rows.top, 20);
    EXPECT_EQ(rows.bottom, kH - 1);
    int differing = 0;
    for (int y = 0; y < kH; ++y)
        if (std::memcmp(before.constScanLine(y), after.constScanLine(y), kW * 4) != 0) {
            ++differing;
            EXPECT_TRUE(y >= rows.top && y <= rows.bottom) << "row " << y;
        }
    EXPECT_GT(differing, 10);

    // A moved tuned line, and a marker: every row.
    v.tunedX = 500;
    renderer.SetView(v);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));
    renderer.AddMarker(300);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));
}

// The secondary display's waterfall: 256 bins in the middle of a wider plot,
// the passband band hidden, black beside the bins.
TEST(SecondaryWaterfall, NewestLineOnTopInPaletteColoursAndBlackBesideTheBins) {
    test::EnsureGuiApplication();
    constexpr int kSecW = 410, kSecH = 120, kBins = SecondaryDisplayModel::kBins;
    SecondaryDisplayModel model(kSecW);
    model.Configure(7.8125, 1500.0);
    model.SetEdges(-0.1, 0.2);  // the band covers pixels 179 to 256
    SpectrumRenderer renderer(kSecW, kSecH);
    renderer.SetView(SecondaryView(model, kSecW, kSecH, -20, 10, 0.0, 1));
    renderer.SetAveraging(0.0);
    ASSERT_EQ(renderer.FftSize(), kBins);

    const int k = 5;
    std::vector<std::vector<double>> spectra;
    for (int j = 0; j < k; ++j) {
        test::FeedTone(renderer, 10 * j - 20, 0.1);  // inside the band
        spectra.push_back(renderer.LastSpectrumDb());
    }
    const QImage img = renderer.Frames().FrontCopy();
    const auto& palette = WaterfallPalette();
    // Bin b is at pixel 205 + b - 128.
    const int firstX = kSecW / 2 - kBins / 2;
    for (int j = 0; j < k; ++j) {
        const int row = k - 1 - j;
        const std::vector<int> idx = WaterfallIndices(spectra[j].data(), kBins);
        for (int bin : {kBins / 2 + 10 * j - 20, 0, 40, 200, kBins - 1}) {
            const Rgb c = palette[std::clamp(idx[bin], 0, 255)];
            EXPECT_EQ(At(img, firstX + bin, row), (Pixel{c.r, c.g, c.b}))
                << "line " << j << " bin " << bin;
        }
        EXPECT_EQ(At(img, firstX - 1, row), kBlack) << "line " << j;
        EXPECT_EQ(At(img, firstX + kBins, row), kBlack) << "line " << j;
        EXPECT_EQ(At(img, 0, row), kBlack);
        EXPECT_EQ(At(img, kSecW - 1, row), kBlack);
    }
    // The newest tone is far above the mean; below the k lines nothing yet,
    // not even the band.
    EXPECT_GT(WaterfallIndices(spectra[k - 1].data(), kBins)[kBins / 2 + 20], 40);
    EXPECT_EQ(At(img, 200, k), kBlack);
    EXPECT_EQ(At(img, 200, kSecH - 1), kBlack);
}

TEST_F(SpectrumRendererTest, MarkerTipOnTheTraceAndReadoutsRightAligned) {
    SpectrumView v = Configure(1024);
    v.refLevelDb = 0;
    renderer.SetView(v);
    const int x = v.geometry.BinToPixel(512 + 37);
    renderer.AddMarker(x);
    renderer.AddMarker(200);
    test::FeedTone(renderer, 37, 0.1);
    const std::vector<Marker> m = renderer.Markers();
    ASSERT_EQ(m.size(), 2u);
    ASSERT_TRUE(m[0].Measured());
    const int y = m[0].y;
    const QImage img = Frame();
    EXPECT_EQ(At(img, x, y), kTrace);
    // The triangle's top edge 6 rows above the tip, 4 pixels each side.
    EXPECT_EQ(At(img, x - 3, y - 6), kTrace);
    EXPECT_EQ(At(img, x + 3, y - 6), kTrace);

    // The readouts: trace-coloured text in the top-right corner, ending at
    // W - 3, starting 3 rows down, two lines for each of the two markers.
    int left = kW, right = 0, top = kH, bottom = 0;
    for (int yy = 0; yy < 80; ++yy)
        for (int xx = 560; xx < kW; ++xx)
            if (At(img, xx, yy) == kTrace)
                left = std::min(left, xx), right = std::max(right, xx), top = std::min(top, yy),
                bottom = std::max(bottom, yy);
    ASSERT_LT(left, right) << "no readout drawn";
    EXPECT_LE(right, kW - 3);
    EXPECT_GE(right, kW - 12);
    EXPECT_GE(top, 3);
    EXPECT_GT(bottom - top, 20);  // more than one line
}

}  // namespace
}  // namespace velorix
