#include <gtest/gtest.h>

#include "DisplayGeometry.h"
#include "SecondaryDisplayModel.h"

namespace velorix {
namespace {

// 300 pixels wide: pixel 150 is the centre, 256 bins per unit fraction.
constexpr int kW = 300;

TEST(SecondaryDisplay, AFilterChangeRescalesAndAModeChangeRecentres) {
    SecondaryDisplayModel m(kW);
    m.Configure(3.90625, 1500.0);  // USB, " 3 kHz"
    EXPECT_DOUBLE_EQ(m.HzPerBin(), 15.2587890625);
    EXPECT_EQ(m.Scale().TickSpacing(), 100.0);
    EXPECT_EQ(m.Scale().LabelPeriod(), 10);
    m.Configure(7.8125, 1500.0);  // " 6 kHz"
    EXPECT_NEAR(m.HzPerBin(), 30.52, 0.005);
    EXPECT_EQ(m.Scale().TickSpacing(), 1000.0);
    EXPECT_EQ(m.Scale().LabelPeriod(), 2);
    // The carrier sits at the centre; 0 Hz is 49 bins to its left.
    EXPECT_EQ(m.Scale().FrequencyToPixel(1500.0), 150);
    EXPECT_EQ(m.Scale().FrequencyToPixel(0.0), 101);

    m.Configure(7.8125, -1500.0);  // LSB
    EXPECT_EQ(m.Scale().FrequencyToPixel(-1500.0), 150);
    EXPECT_DOUBLE_EQ(m.ClickHz(150), -1500.0);
    m.SetEdges(-0.1536, 0.1536);
    double low = 0, high = 0;
    m.EdgesKHz(low, high);
    EXPECT_DOUBLE_EQ(low, -1.5 - 1.2);
    EXPECT_DOUBLE_EQ(high, -1.5 + 1.2);
}

TEST(SecondaryDisplay, EdgeDragsStopAtTheNarrowestBandAndTheLimits) {
    SecondaryDisplayModel m(kW);
    m.Configure(7.8125, 0.0);
    m.SetEdges(-0.1, 0.1);  // pixels 124 and 175
    struct Case {
        int pressX;  // on an edge
        int moveX;
        bool moves;
        double low;
        double high;
    };
    // A press on an edge puts it on the pressed pixel at once (175: 25/256,
    // 124: -26/256); the move then goes only as far as the limits allow.
    for (const Case c : {Case{175, 200, true, -0.1, 50.0 / 256},     // high edge out
                         Case{175, 255, false, -0.1, 25.0 / 256},    // past +0.4
                         Case{175, 125, false, -0.1, 25.0 / 256},    // too narrow
                         Case{175, 138, true, -0.1, -12.0 / 256},    // 0.0531 wide
                         Case{124, 172, false, -26.0 / 256, 0.1},    // low edge, too narrow
                         Case{124, 45, false, -26.0 / 256, 0.1},     // past -0.4
                         Case{124, 49, true, -101.0 / 256, 0.1}}) {  // -0.3945
        SCOPED_TRACE(testing::Message() << c.pressX << " -> " << c.moveX);
        m.SetEdges(-0.1, 0.1);
        m.Press(c.pressX);
        ASSERT_TRUE(m.EdgeDragging());
        EXPECT_EQ(m.Move(c.moveX).edgesChanged, c.moves);
        EXPECT_DOUBLE_EQ(m.Low(), c.low);
        EXPECT_DOUBLE_EQ(m.High(), c.high);
        m.Release();
    }
}

TEST(SecondaryDisplay, HitTestPrefersTheHighEdge) {
    SecondaryDisplayModel m(kW);
    m.SetEdges(0.0, 0.02);  // pixels 150 and 155
    EXPECT_EQ(m.HitTest(152), PassbandEdge::High);
    EXPECT_EQ(m.HitTest(150), PassbandEdge::Low);
    EXPECT_EQ(m.HitTest(145), PassbandEdge::None);
    EXPECT_EQ(m.HitTest(160), PassbandEdge::None);
}

TEST(SecondaryDisplay, WheelMovesEachEdgeFourPixels) {
    SecondaryDisplayModel m(kW);
    m.SetEdges(-0.1, 0.1);  // 124 and 175
    EXPECT_TRUE(m.Wheel(120).edgesChanged);
    EXPECT_DOUBLE_EQ(m.Low(), -30.0 / 256);
    EXPECT_DOUBLE_EQ(m.High(), 29.0 / 256);
    // Narrowing below 0.05 is refused.
    m.SetEdges(-0.03, 0.03);
    EXPECT_FALSE(m.Wheel(-120).edgesChanged);
    EXPECT_DOUBLE_EQ(m.Low(), -0.03);
    // Widening past ±0.4 stops there.
    m.SetEdges(-0.39, 0.39);
    EXPECT_TRUE(m.Wheel(120).edgesChanged);
    EXPECT_DOUBLE_EQ(m.Low(), -0.4);
    EXPECT_DOUBLE_EQ(m.High(), 0.4);
}

TEST(SecondaryDisplay, ShiftAndSpectrumDrags) {
    SecondaryDisplayModel m(kW);
    m.Configure(7.8125, 0.0);
    m.SetEdges(-0.1, 0.1);
    m.RightPress(150);
    EXPECT_TRUE(m.Move(170).edgesChanged);
    EXPECT_DOUBLE_EQ(m.Low(), -6.0 / 256);
    EXPECT_FALSE(m.Move(250).edgesChanged);  // the high edge would pass +0.4
    EXPECT_DOUBLE_EQ(m.High(), 45.0 / 256);
    m.RightRelease();

    // Away from the edges the left button drags the spectrum.
    m.Press(100);
    EXPECT_TRUE(m.SpectrumDragging());
    m.RightPress(100);  // ignored during a left drag
    EXPECT_FALSE(m.ShiftDragging());
    EXPECT_DOUBLE_EQ(m.Move(110).tuneHz, 10 * 30.517578125);
    EXPECT_TRUE(m.Release().spectrumDragEnded);
}

TEST(SecondaryDisplay, TheMainDisplaysBandFollowsTheSideband) {
    // 2400 Hz wide around the carrier; main display 125 kHz over 8192 bins,
    // 65.5 bins per kHz, tuned to the centre at pixel 410.
    SecondaryDisplayModel sec(kW);
    sec.Configure(3.90625, 1500.0);  // USB
    sec.SetEdges(-1200.0 / 3906.25, 1200.0 / 3906.25);
    DisplayGeometry g(820, 300);
    g.Reconfigure(8192, 125.0, 7100.0);
    double low = 0, high = 0;
    sec.EdgesKHz(low, high);
    EXPECT_EQ(g.BandPixels(7100.0, low, high, 410), (PassbandPixels{429, 586}));
    sec.Configure(3.90625, -1500.0);  // LSB
    sec.EdgesKHz(low, high);
    EXPECT_EQ(g.BandPixels(7100.0, low, high, 410), (PassbandPixels{234, 391}));
}

}  // namespace
}  // namespace velorix
