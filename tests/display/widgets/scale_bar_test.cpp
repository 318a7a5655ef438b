// The frequency scales: labels smoothed, drawn at the screen's resolution,
// whole or left out, and off the secondary display's tuned line.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "RatioCompare.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplayModel.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

constexpr QRgb kBar = 0xff181818;  // the bar's background
constexpr int kLabelTop = 6;       // below the major ticks (a quarter of 20 rows)

// The bar as it paints itself at `ratio` device pixels per window pixel.
QImage Paint(ScaleBarWidget& bar, std::shared_ptr<const DisplayState> state, double ratio = 1.0) {
    bar.Show(std::move(state));
    QImage out(bar.size() * ratio, QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    bar.render(&out);
    return out;
}

// Label pixels in columns from … to (clipped to the bar) but `skipX`.
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

// The 11 px digits are smoothed (a 0 unsmoothed reads like a D): shades
// between the background and the ink (196, 156, 0). At two device pixels
// per window pixel they are drawn anew, not enlarged.
TEST(ScaleBar, LabelsAreSmoothedAndDrawnAtTheScreensResolution) {
    ScaleBarWidget bar(kMainPlotWidth, nullptr);
    const QImage one = Paint(bar, PlainState()), two = Paint(bar, PlainState(), 2.0);
    int shades = 0;
    for (int y = kLabelTop; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            shades += qRed(one.pixel(x, y)) > 24 + 30 && qRed(one.pixel(x, y)) < 196 - 30;
    EXPECT_GT(shades, 200);

    ASSERT_EQ(two.size(), QSize(2 * kMainPlotWidth, 2 * ScaleBarWidget::kHeight));
    const test::Finer f = test::Compare(one, two, QRect(0, kLabelTop, kMainPlotWidth, 20));
    EXPECT_GE(f.averaged, 0.95);
    EXPECT_GT(f.ink, 300);
    EXPECT_GE(f.redrawn, 0.05);
}

// Scrolled 3 pixels at a time over a whole label period: a label that would
// be cut at either end is left out while its tick stays; labels well inside
// are drawn.
TEST(ScaleBar, ALabelThatWouldBeCutAtAnEndIsLeftOut) {
    ScaleBarWidget bar(kMainPlotWidth, nullptr);
    int cutLeft = 0, cutRight = 0, inside = 0;
    for (int dx = 0; dx < 160; dx += 3) {
        auto state = PlainState();
        state->geometry.SetFreeScroll(true);
        state->geometry.DragScale(dx);
        const QImage img = Paint(bar, state);
        for (const ScaleTick& t : state->geometry.Scale().Ticks()) {
            if (!t.major) continue;
            SCOPED_TRACE(testing::Message() << "scrolled " << dx << ", tick at " << t.x);
            EXPECT_EQ(img.pixel(t.x, 1), qRgb(196, 156, 0));
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
// tuned line and is left out, the others stay; a main display's scale
// keeps a label there.
TEST(ScaleBar, TheSecondaryLeavesOutTheLabelUnderTheTunedLine) {
    auto state = std::make_shared<DisplayState>();
    state->geometry = DisplayGeometry(kSecondaryPlotWidth, kSecondaryPlotHeight);
    state->geometry.Reconfigure(SecondaryDisplayModel::kBins, 7812.5, 1500.0);
    state->tunedX = state->geometry.KHzToPixel(0.0);
    ScaleBarWidget secondary(kSecondaryPlotWidth, nullptr), plain(kSecondaryPlotWidth, nullptr);
    secondary.SetLabelsClearOfTunedLine(true);
    int zeros = 0, others = 0;
    for (ScaleBarWidget* bar : {&secondary, &plain}) {
        const QImage img = Paint(*bar, state);
        for (const ScaleTick& t : state->geometry.Scale().Ticks()) {
            if (!t.major || t.x < 30 || t.x > kSecondaryPlotWidth - 30) continue;
            if (t.x != state->tunedX) {
                ++others;
                EXPECT_GT(LabelInk(img, t.x - 3, t.x + 3), 3) << t.x;
                continue;
            }
            ++zeros;
            EXPECT_STREQ(t.label, "0");
            EXPECT_EQ(LabelInk(img, t.x - 8, t.x + 8, t.x) > 0, bar == &plain);
        }
    }
    EXPECT_EQ(zeros, 2);
    EXPECT_GE(others, 2);
}

}  // namespace
}  // namespace velorix
