// The frequency scales: labels smoothed, whole or left out, off the
// secondary display's tuned line, and drawn at the screen's resolution.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <memory>

#include "RatioCompare.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplayModel.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

constexpr QRgb kBar = 0xff181818;  // the bar's background
constexpr QRgb kInk = 0xffc49c00;  // ticks and labels: 196, 156, 0
constexpr int kLabelTop = 6;       // below the major ticks (a quarter of 20 rows)

// The bar as it paints itself at `ratio` device pixels per window pixel.
QImage Paint(ScaleBarWidget& bar, double ratio = 1.0) {
    QImage out(bar.size() * ratio, QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    bar.render(&out);
    return out;
}

// Label pixels in columns from … to (clipped to the bar), below the ticks.
int LabelInk(const QImage& img, int from, int to, int skipX = -1) {
    int n = 0;
    for (int y = kLabelTop; y < img.height(); ++y)
        for (int x = std::max(from, 0); x <= std::min(to, img.width() - 1); ++x)
            n += x != skipX && img.pixel(x, y) != kBar;
    return n;
}

// The main display's scale without the band and the tuned line.
std::shared_ptr<DisplayState> PlainState() {
    auto state = std::make_shared<DisplayState>(*test::MainState());
    state->band = {};
    state->tunedX = 0;
    return state;
}

const ScaleTick* MajorNear(const DisplayState& s, int x) {
    for (const ScaleTick& t : s.geometry.Scale().Ticks())
        if (t.major && std::abs(t.x - x) < 60) return &t;
    return nullptr;
}

// The 11 px digits are smoothed (a 0 unsmoothed reads like a D): the label
// under a tick mid-bar has shades between the ink and the background.
TEST(ScaleBar, LabelsAreSmoothed) {
    ScaleBarWidget bar(kMainPlotWidth, nullptr);
    const auto state = PlainState();
    bar.Show(state);
    const QImage img = Paint(bar);
    const ScaleTick* t = MajorNear(*state, 410);
    ASSERT_NE(t, nullptr);
    int ink = 0, shades = 0;
    for (int y = kLabelTop; y < img.height(); ++y)
        for (int x = t->x - 25; x <= t->x + 25; ++x) {
            const int red = qRed(img.pixel(x, y));
            ink += red > qRed(kInk) - 30;
            shades += red > qRed(kBar) + 30 && red < qRed(kInk) - 30;
        }
    EXPECT_GT(ink, 5) << "no label under the tick at " << t->x;
    EXPECT_GT(shades, 10);
}

// Scrolled a pixel at a time over a whole label period: a label that would
// be cut at either end is left out while its tick stays; every label well
// inside is drawn.
TEST(ScaleBar, ALabelThatWouldBeCutAtAnEndIsLeftOut) {
    ScaleBarWidget bar(kMainPlotWidth, nullptr);
    int cutLeft = 0, cutRight = 0, inside = 0;
    for (int dx = 0; dx < 160; dx += 3) {
        auto state = PlainState();
        state->geometry.SetFreeScroll(true);
        state->geometry.DragScale(dx);
        bar.Show(state);
        const QImage img = Paint(bar);
        for (const ScaleTick& t : state->geometry.Scale().Ticks()) {
            if (!t.major) continue;
            SCOPED_TRACE(testing::Message() << "scrolled " << dx << ", tick at " << t.x);
            EXPECT_EQ(img.pixel(t.x, 1), kInk);
            if (t.x < 10) {
                ++cutLeft;
                EXPECT_EQ(LabelInk(img, 0, t.x + 12), 0);
            } else if (t.x > kMainPlotWidth - 11) {
                ++cutRight;
                EXPECT_EQ(LabelInk(img, t.x - 12, kMainPlotWidth - 1), 0);
            } else if (t.x > 40 && t.x < kMainPlotWidth - 41) {
                ++inside;
                EXPECT_GT(LabelInk(img, t.x - 3, t.x + 3), 3);
            }
        }
    }
    EXPECT_GT(cutLeft, 0);
    EXPECT_GT(cutRight, 0);
    EXPECT_GT(inside, 100);
}

// The secondary display's scale in USB: its 0 Hz label would sit under the
// tuned line and is left out; the main display's scale keeps labels there.
TEST(ScaleBar, TheSecondaryLeavesOutTheLabelUnderTheTunedLine) {
    auto state = std::make_shared<DisplayState>();
    state->geometry = DisplayGeometry(kSecondaryPlotWidth, kSecondaryPlotHeight);
    state->geometry.Reconfigure(SecondaryDisplayModel::kBins, 7812.5, 1500.0);
    state->tunedX = state->geometry.KHzToPixel(0.0);
    const ScaleTick* zero = MajorNear(*state, state->tunedX);
    ASSERT_NE(zero, nullptr);
    ASSERT_STREQ(zero->label, "0");
    ASSERT_EQ(zero->x, state->tunedX);

    ScaleBarWidget secondary(kSecondaryPlotWidth, nullptr), plain(kSecondaryPlotWidth, nullptr);
    secondary.SetLabelsClearOfTunedLine(true);
    int labelled = 0;
    for (ScaleBarWidget* bar : {&secondary, &plain}) {
        bar->Show(state);
        const QImage img = Paint(*bar);
        const int ink = LabelInk(img, zero->x - 8, zero->x + 8, zero->x);
        EXPECT_EQ(ink > 0, bar == &plain) << ink;
        // The other labels are drawn on both.
        for (const ScaleTick& t : state->geometry.Scale().Ticks())
            if (t.major && t.x != zero->x && t.x > 30 && t.x < kSecondaryPlotWidth - 30) {
                ++labelled;
                EXPECT_GT(LabelInk(img, t.x - 3, t.x + 3), 3) << t.x;
            }
    }
    EXPECT_GT(labelled, 1);
}

// At two device pixels per window pixel the ticks and the band keep their
// place and the labels are drawn anew, not enlarged.
TEST(ScaleBar, DrawnAtTheScreensResolution) {
    ScaleBarWidget bar(kMainPlotWidth, nullptr);
    bar.Show(PlainState());
    const QImage one = Paint(bar), two = Paint(bar, 2.0);
    ASSERT_EQ(two.size(), QSize(2 * kMainPlotWidth, 2 * ScaleBarWidget::kHeight));
    const test::Finer f = test::Compare(one, two, QRect(0, kLabelTop, kMainPlotWidth, 20));
    EXPECT_GE(f.averaged, 0.95);
    EXPECT_GT(f.ink, 300);
    EXPECT_GE(f.redrawn, 0.05);
}

}  // namespace
}  // namespace velorix
