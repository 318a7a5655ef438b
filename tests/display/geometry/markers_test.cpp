#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DisplayGeometry.h"
#include "MarkerList.h"

namespace velorix {
namespace {

// A 500 kHz band at 14 150 kHz over 1024 bins on an 820-pixel plot: pixel
// 410 is bin 512, 14 150 kHz; every bin 0.48828125 kHz.
class Markers : public ::testing::Test {
protected:
    Markers() : levels(1024, -100.0), rows(1024, 250) {
        g.Reconfigure(1024, 500.0, 14150.0);
        levels[512] = -80.0;
        rows[512] = 60;
        levels[532] = -95.25;
        rows[532] = 120;
    }
    void Measure() { list.Measure(g, levels.data(), rows.data(), -4.0); }

    DisplayGeometry g{820, 300};
    std::vector<double> levels;
    std::vector<int> rows;
    MarkerList list;
};

TEST_F(Markers, ReadoutsAreAbsoluteOrRelativeToMarkerOne) {
    list.Add(410);
    list.Add(430);
    EXPECT_FALSE(list.At(0).Measured());  // nothing shown before a spectrum
    Measure();
    const Marker& m1 = list.At(0);
    ASSERT_TRUE(m1.Measured());
    EXPECT_EQ(m1.y, 60);
    EXPECT_EQ(std::string(m1.frequencyLine), "Mkr1  : 14150.000 kHz");
    EXPECT_EQ(std::string(m1.levelLine), "        -84.0     dBm");
    EXPECT_EQ(std::string(list.At(1).frequencyLine), "Mkr2  : 14159.766 kHz");
    EXPECT_EQ(std::string(list.At(1).levelLine), "        -99.2     dBm");

    list.SetDelta(true);
    Measure();
    EXPECT_EQ(std::string(list.At(0).frequencyLine), "Mkr1  : 14150.000 kHz");
    EXPECT_TRUE(list.At(1).relative);
    EXPECT_EQ(std::string(list.At(1).frequencyLine), "Mkr2-1: 9.766     kHz");
    EXPECT_EQ(std::string(list.At(1).levelLine), "        -15.2     dB");
    // The second marker's block starts 2h + 10 below the first.
    EXPECT_EQ(MarkerList::ReadoutTop(1, 11, 0), 35);
}

TEST_F(Markers, AFifthMarkerIsIgnored) {
    for (int x : {100, 200, 300, 400})
        EXPECT_TRUE(list.Add(x));
    EXPECT_FALSE(list.Add(500));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.At(3).x, 400);
}

TEST_F(Markers, AMarkerScrolledOffTheBandIsNotMeasured) {
    list.Add(10);
    list.Add(430);
    list.SetDelta(true);
    // Scrolled 300 px right: pixel 10 would show bin -188, pixel 430 bin 232.
    g.DragScale(300);
    Measure();
    EXPECT_EQ(g.PixelToBin(10), -188);
    EXPECT_FALSE(list.At(0).Measured());
    ASSERT_TRUE(list.At(1).Measured());
    // With no reading from marker 1, marker 2 reads absolute values.
    EXPECT_FALSE(list.At(1).relative);
    EXPECT_EQ(std::string(list.At(1).frequencyLine), "Mkr2  : 14013.281 kHz");
    EXPECT_EQ(std::string(list.At(1).levelLine), "        -104.0    dBm");

    // Past the top of the band too.
    g.DragScale(-2000);
    Measure();
    EXPECT_FALSE(list.At(0).Measured());
    EXPECT_FALSE(list.At(1).Measured());
}

}  // namespace
}  // namespace velorix
