#include <gtest/gtest.h>

#include "DisplayGeometry.h"
#include "SlideBarScale.h"

namespace velorix {
namespace {

TEST(SlideBarScale, TicksOfA500KHzBandAt1024Bins) {
    SlideBarScale s(820);
    s.Configure(1024, 14150.0, 500.0 / 1024, true);
    EXPECT_EQ(s.FrequencyToPixel(14150.0), 410);
    const auto& ticks = s.Ticks();
    // 13 950 … 14 350 kHz every 10 kHz; 13 940 would sit left of the bar.
    EXPECT_EQ(s.TickSpacing(), 10.0);
    ASSERT_EQ(ticks.size(), 41u);
    EXPECT_EQ(ticks.front().x, 1);
    EXPECT_FALSE(ticks.front().major);
    EXPECT_EQ(ticks.back().x, 819);
    // Labels every 20 kHz, counted from a whole 100 kHz.
    EXPECT_TRUE(ticks[1].major);
    EXPECT_EQ(ticks[1].x, 21);
    EXPECT_STREQ(ticks[1].label, "13960");
    EXPECT_FALSE(ticks[20].major);  // 14 150
    EXPECT_TRUE(ticks[21].major);
    EXPECT_EQ(ticks[21].x, 430);
    EXPECT_STREQ(ticks[21].label, "14160");
    EXPECT_STREQ(ticks[2].label, "");
}

TEST(SlideBarScale, BoundedModeKeepsTheDrawnRangeOnTheBar) {
    DisplayGeometry g(820, 300);
    g.SetFreeScroll(false);
    // 1024 bins draw 102 … 921, narrower than the bar: centred and disabled.
    g.Reconfigure(1024, 500.0, 14150.0);
    EXPECT_EQ(g.FirstDrawnBin(), 102);
    EXPECT_EQ(g.LastDrawnBin(), 921);
    EXPECT_FALSE(g.Scale().Enabled());
    EXPECT_EQ(g.VisibleCentreBin(), 512);
    EXPECT_FALSE(g.DragScale(-100));

    // 4096 bins: scrolls between 409 + 410 and 3686 - 410.
    g.Reconfigure(4096, 500.0, 14150.0);
    EXPECT_TRUE(g.Scale().Enabled());
    EXPECT_EQ(g.VisibleCentreBin(), 2048);
    EXPECT_TRUE(g.DragScale(5000));
    EXPECT_EQ(g.VisibleCentreBin(), 819);
    // A smaller FFT keeps the place in the band: 819 of 4096 is 409 of 2048,
    // held to the new lowest position 204 + 410.
    g.Reconfigure(2048, 500.0, 14150.0);
    EXPECT_EQ(g.VisibleCentreBin(), 614);
}

TEST(DisplayGeometry, TraceRowsPutTheReferenceLevelAtTheTop) {
    DisplayGeometry g(820, 300);
    g.Reconfigure(1024, 500.0, 14150.0);
    // 15 dB per division over 300 rows: 4/3 row per dB, truncated toward 0.
    const double levels[] = {-46.0, -26.9, -6.0, -16.0};
    int rows[4] = {};
    g.TraceRows(levels, 0, 3, -20, 15, -4.0, rows);
    EXPECT_EQ(rows[0], 40);
    EXPECT_EQ(rows[1], 14);
    EXPECT_EQ(rows[2], -13);
    EXPECT_EQ(rows[3], 0);
}

TEST(DisplayGeometry, MouseTuningOffsets) {
    DisplayGeometry g(820, 300);
    g.Reconfigure(1024, 250.0, 7100.0);  // 0.244 kHz per bin
    // x = 500 is 90 bins above the centre: 7121.97 kHz.
    EXPECT_DOUBLE_EQ(g.ClickKHz(500, 2), 7100.0 + 90 * 250.0 / 1024);  // CW: the exact bin
    EXPECT_DOUBLE_EQ(g.ClickKHz(500, 4), 7122.0);                      // USB: whole kHz
    EXPECT_EQ(DisplayGeometry::OffsetForKHz(7100000, 7122.0), -22000);
    // Dragging the passband 40 px right moves the tuned frequency up 9.766 kHz.
    EXPECT_EQ(g.DragOffsetHz(-5000, 410, 450), -14765);
    // Scrolling the view 40 px left carries the tuned frequency with it.
    const double pressedKHz = g.VisibleCentreKHz();
    g.DragScale(-40);
    EXPECT_EQ(g.ScrollOffsetHz(-5000.0, pressedKHz), -14765);
}

TEST(DisplayGeometry, PassbandKeepsFourPixelsFromTheTunedLine) {
    struct Case {
        PassbandPixels in;
        PassbandPixels out;
    };
    for (const Case c :
         {Case{{398, 402}, {396, 404}}, Case{{400, 400}, {396, 404}}, Case{{380, 420}, {380, 420}},
          Case{{402, 430}, {402, 430}}, Case{{370, 396}, {370, 396}}}) {
        SCOPED_TRACE(c.in.low);
        EXPECT_EQ(KeepClearOfTunedLine(c.in, 400), c.out);
    }
}

}  // namespace
}  // namespace velorix
