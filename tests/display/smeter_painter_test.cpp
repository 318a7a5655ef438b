#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "SMeterPainter.h"

namespace velorix {
namespace {

using test::At;
using test::Pixel;

constexpr int kWidth = 286 + 24;  // scale width 286
constexpr int kBarRow = 39;
constexpr Pixel kBarBackground{212, 193, 123};
constexpr Pixel kGreen{80, 130, 0};
constexpr Pixel kRed{150, 40, 0};

QImage Meter(int tenths, bool clip = false, bool lock = false) {
    static const SMeterPainter painter(kWidth);
    return painter.Render({tenths, clip, lock});
}

TEST(SMeterPainter, BarEndsWhereTheLevelSays) {
    const QImage s9 = Meter(-730);
    EXPECT_EQ(s9.height(), 62);
    EXPECT_EQ(At(s9, 11, kBarRow), kBarBackground);
    EXPECT_EQ(At(s9, 12, kBarRow), kGreen);
    EXPECT_EQ(At(s9, 134, kBarRow), kGreen);
    EXPECT_EQ(At(s9, 135, kBarRow), kBarBackground);
    EXPECT_EQ(At(s9, 100, 34), kBarBackground);  // the fill leaves a row above
    EXPECT_EQ(At(s9, 100, 35), kGreen);
    EXPECT_EQ(At(s9, 100, 43), kGreen);
    EXPECT_EQ(At(s9, 100, 44), kBarBackground);

    const QImage over = Meter(50);  // +5 dBm: red to the scale's end
    EXPECT_EQ(At(over, 134, kBarRow), kGreen);
    EXPECT_EQ(At(over, 135, kBarRow), kRed);
    EXPECT_EQ(At(over, 295, kBarRow), kRed);
    EXPECT_NE(At(over, 296, kBarRow), kRed);

    const QImage none = Meter(-1350);
    for (int x = 11; x < 296; x += 5)
        ASSERT_EQ(At(none, x, kBarRow), kBarBackground) << x;
}

// Dark pixels of the text in a box of the face.
int Ink(const QImage& img, int x0, int x1) {
    int n = 0;
    for (int y = 1; y < 15; ++y)
        for (int x = x0; x < x1; ++x)
            n += qGray(img.pixel(x, y)) < 60;
    return n;
}

TEST(SMeterPainter, NumberAndIndicatorBoxes) {
    // "-135.0" shows although no bar does, and reads differently from "-134.0".
    const QImage a = Meter(-1350), b = Meter(-1340);
    EXPECT_GT(Ink(a, 75, 120), 20);
    EXPECT_NE(a.copy(75, 1, 50, 14), b.copy(75, 1, 50, 14));

    const QImage clip = Meter(-800, true, false);
    const QImage after = Meter(-800, false, false);
    EXPECT_EQ(At(clip, 210, 1), (Pixel{255, 0, 0}));
    EXPECT_EQ(At(after, 210, 1), kBarBackground);
    EXPECT_EQ(At(Meter(-800, false, true), 267, 1), (Pixel{0, 64, 0}));
    EXPECT_EQ(At(after, 267, 1), kBarBackground);
}

}  // namespace
}  // namespace velorix
