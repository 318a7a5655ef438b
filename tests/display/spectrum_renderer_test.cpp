#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "DisplayTables.h"
#include "DisplayTestSupport.h"
#include "MarkerList.h"
#include "PlotLayers.h"
#include "RatioCompare.h"
#include "SecondaryDisplayModel.h"
#include "StationLabelPainter.h"
#include "StationLabels.h"

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
    // A state of N bins at 500 kHz around 10 MHz, no averaging.
    DisplayState Configure(int bins) {
        DisplayState v;
        v.geometry.Reconfigure(bins, 500.0, 10000.0);
        Show(v);
        return v;
    }
    void Show(const DisplayState& v) { renderer.Show(std::make_shared<const DisplayState>(v)); }
    // The state drawn over the last spectrum, as the display thread does
    // while no block comes.
    void Redraw(const DisplayState& v) {
        Show(v);
        renderer.Render();
    }
    QImage Frame() { return renderer.Frames().FrontCopy(); }

    SpectrumRenderer renderer{kW, kH};
};

// A column that no vertical grid line crosses.
int ColumnOffGrid(const DisplayState& v, int from) {
    std::vector<int> xs;
    for (const ScaleTick& t : v.geometry.Scale().Ticks())
        if (t.major) xs.push_back(t.x);
    while (std::find(xs.begin(), xs.end(), from) != xs.end())
        ++from;
    return from;
}

TEST_F(SpectrumRendererTest, GridBandAndLinesMergeByOr) {
    DisplayState v = Configure(4096);
    const int tuned = ColumnOffGrid(v, 350);
    const int outside = ColumnOffGrid(v, 100);
    v.band = {300, 400};
    v.tunedX = tuned;
    Redraw(v);
    QImage img = Frame();
    const int gridRow = 2 * kH / 15;  // 33
    EXPECT_EQ(At(img, outside, gridRow), (Pixel{32, 32, 32}));
    EXPECT_EQ(At(img, 320, gridRow), (Pixel{101, 101, 54}));
    EXPECT_EQ(At(img, 320, gridRow + 1), (Pixel{69, 69, 54}));
    EXPECT_EQ(At(img, outside, gridRow + 1), kBlack);
    EXPECT_EQ(At(img, tuned, 100), (Pixel{255, 197, 54}));

    // The band elsewhere: the line on black.
    v.band = {600, 700};
    Redraw(v);
    img = Frame();
    EXPECT_EQ(At(img, tuned, 100), (Pixel{255, 128, 0}));
    EXPECT_EQ(At(img, 650, 100), (Pixel{69, 69, 54}));
}

TEST_F(SpectrumRendererTest, ToneLightsTheRowOfItsCalibratedLevel) {
    DisplayState v = Configure(1024);
    v.refLevelDb = 0;
    v.dbPerDivision = 10;
    v.levelOffsetDb = -4.0;
    Show(v);
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
    Redraw(v);
    const QImage moved = Frame();
    EXPECT_EQ(At(moved, x + 50, row), kTrace);
    EXPECT_NE(At(moved, x + 50, row - 1), kTrace);
}

// Paced to a screen, the blocks that come within the frame interval after a
// frame are passed over; unpaced, each block makes a frame.
TEST_F(SpectrumRendererTest, PacedToAScreenBlocksWithinTheFrameIntervalArePassedOver) {
    Configure(1024);
    renderer.PaceToScreen(3'600'000);  // an hour
    for (int i = 0; i < 3; ++i)
        test::FeedTone(renderer, 37, 0.1);
    EXPECT_EQ(renderer.Spectra(), 1u);
    renderer.PaceToScreen(0);
    test::FeedTone(renderer, 37, 0.1);
    EXPECT_EQ(renderer.Spectra(), 2u);
}

TEST_F(SpectrumRendererTest, WaterfallScrollsDownNewestFirst) {
    DisplayState v = Configure(1024);
    v.function = 1;
    Show(v);
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
    DisplayState v = Configure(4096);
    v.function = 1;
    ASSERT_TRUE(v.geometry.DragScale(v.geometry.VisibleCentreBin()));
    ASSERT_EQ(v.geometry.VisibleCentreBin(), 0);
    Show(v);
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
    DisplayState v = Configure(1024);
    v.refLevelDb = 0;
    Show(v);
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
    Show(v);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));
    v.markerXs = {300};
    Show(v);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));
    // So do new station names.
    v.markerXs.clear();
    Show(v);
    test::FeedTone(renderer, 120, 0.01);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    v.stationLabels = {{.x = 200, .left = 150, .width = 100, .row = 0, .text = "Radio"}};
    Show(v);
    test::FeedTone(renderer, 120, 0.01);
    ASSERT_TRUE(frames.TakePending(rows));
    EXPECT_EQ(rows, (RowSpan{0, kH - 1}));
}

// A station's name in the skin's text colour on its box over the trace, with
// a tick down to its column; none in the waterfall.
TEST_F(SpectrumRendererTest, StationNamesStandAboveTheTraceAtTheirColumns) {
    DisplayState v = Configure(1024);
    const std::string name = "Radio Virtual Music";
    const int width = StationLabelPainter::BoxWidth(name);
    const int x = 401;
    v.stationLabels = {{.x = x, .left = x - width / 2, .width = width, .row = 1, .text = name}};
    Show(v);
    test::FeedTone(renderer, 200, 0.1);
    const int band = kStationLabelRows * StationLabelPainter::RowHeight();
    // Text pixels: yellow shades, red over green over blue.
    auto textPixels = [&](const QImage& img, int x0, int x1) {
        int n = 0, lowest = -1;
        for (int y = 0; y < band; ++y)
            for (int c = x0; c < x1; ++c)
                if (const Pixel p = At(img, c, y); p.r >= 120 && p.r > p.g && p.g > p.b + 40) {
                    ++n;
                    lowest = y;
                }
        return std::pair{n, lowest};
    };
    const QImage img = Frame();
    const auto [inBox, lowest] = textPixels(img, x - width / 2, x + width / 2);
    EXPECT_GT(inBox, 40);
    EXPECT_GE(lowest, StationLabelPainter::RowHeight());  // the second row
    EXPECT_EQ(textPixels(img, 0, x - width / 2 - 1).first, 0);
    // The lowest is the tick's, solid down to the station's column.
    for (int y = lowest - 2; y <= lowest; ++y)
        EXPECT_EQ(At(img, x, y), (Pixel{245, 203, 56})) << y;
    // The trace (the floor at this column) lies below the names.
    int traceRow = -1;
    for (int y = 0; y < kH && traceRow < 0; ++y)
        if (At(img, x, y) == kTrace) traceRow = y;
    EXPECT_GT(traceRow, band);

    v.function = 1;
    Redraw(v);
    EXPECT_EQ(textPixels(Frame(), 0, kW).first, 0);
}

// The secondary display's waterfall: 256 bins in the middle of a wider plot,
// the passband band hidden, black beside the bins.
TEST(SecondaryWaterfall, NewestLineOnTopInPaletteColoursAndBlackBesideTheBins) {
    constexpr int kSecW = 410, kSecH = 120, kBins = SecondaryDisplayModel::kBins;
    // 7.8125 kHz on a Hz scale around the 1500 Hz carrier offset; the band
    // would cover pixels 179 to 256.
    DisplayState v;
    v.geometry = DisplayGeometry(kSecW, kSecH);
    v.geometry.Reconfigure(kBins, 7812.5, 1500.0);
    v.band = {179, 256};
    v.tunedX = v.geometry.KHzToPixel(0.0);
    v.function = 1;
    SpectrumRenderer renderer(kSecW, kSecH);
    renderer.Show(std::make_shared<const DisplayState>(v));

    const int k = 5;
    std::vector<std::vector<double>> spectra;
    for (int j = 0; j < k; ++j) {
        test::FeedTone(renderer, 10 * j - 20, 0.1);  // inside the band
        spectra.push_back(renderer.LastSpectrumDb());
    }
    ASSERT_EQ(renderer.FftSize(), kBins);
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
    DisplayState v = Configure(1024);
    v.refLevelDb = 0;
    const int x = v.geometry.BinToPixel(512 + 37);
    v.markerXs = {x, 200};
    Show(v);
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

// On a screen of two device pixels per window pixel: the same picture in
// window pixels, its lines over whole device pixels, its trace at device
// rows and its text drawn at the device's resolution.
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

// "Delta" and "Clr" on the picture: with the delta flag a second marker reads
// its distance from the first, and cleared markers leave the picture at once,
// without waiting for a block.
TEST_F(SpectrumRendererTest, DeltaReadsFromMarkerOneAndClearedMarkersLeaveThePicture) {
    DisplayState v = Configure(1024);  // 500 kHz: 0.48828125 kHz a bin
    v.refLevelDb = 0;
    v.markerXs = {v.geometry.BinToPixel(512 + 37), v.geometry.BinToPixel(512 + 57)};
    v.deltaMarkers = true;
    Show(v);
    test::FeedTone(renderer, 37, 0.1);
    const std::vector<Marker> m = renderer.Markers();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(std::string(m[0].frequencyLine), "Mkr1  : 10018.066 kHz");
    EXPECT_EQ(std::string(m[1].frequencyLine), "Mkr2-1: 9.766     kHz");
    EXPECT_EQ(std::string(m[1].levelLine).find("dBm"), std::string::npos);
    const auto readoutPixels = [&] {
        const QImage img = Frame();
        int n = 0;
        for (int y = 3; y < 60; ++y)
            for (int x = kW - 120; x < kW - 2; ++x)
                n += At(img, x, y) == kTrace;
        return n;
    };
    EXPECT_GT(readoutPixels(), 50);

    v.markerXs.clear();
    Redraw(v);
    EXPECT_TRUE(renderer.Markers().empty());
    EXPECT_EQ(readoutPixels(), 0);
}

}  // namespace
}  // namespace velorix
