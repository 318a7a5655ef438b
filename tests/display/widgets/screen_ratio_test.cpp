// The plots on their screen: ctest runs this again at two device pixels per
// window pixel (display_widgets_ratio_2).
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>

#include "MainDisplay.h"
#include "PlotLayers.h"
#include "RatioCompare.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

// The frame is drawn at the screen's ratio and shown pixel for pixel, the
// cursor line over the device columns of its window column.
TEST(ScreenRatio, ThePlotShowsItsFrameAtTheScreensResolution) {
    test::RecordingIntents intents;
    MainDisplay display(intents);
    auto state = std::make_shared<DisplayState>(*test::MainState());
    state->band = {300, 400};
    display.Show(state);
    display.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
    const double ratio = display.devicePixelRatioF();
    display.Renderer().Render();
    QApplication::processEvents();
    const QImage frame = display.Renderer().Frames().FrontCopy();
    EXPECT_EQ(frame.devicePixelRatio(), ratio);
    EXPECT_EQ(frame.size(), QSize(MainDisplay::kWidth, MainDisplay::kHeight) * ratio);
    EXPECT_EQ(display.Plot().grab().toImage().convertToFormat(QImage::Format_RGB32), frame);

    // A column in the band off the grid, at a row off the grid.
    QTest::mouseMove(&display.Plot(), QPoint(383, 100));
    // (QTest may land a window pixel off on a scaled screen.)
    const int x = display.Plot().Marks().cursorX;
    ASSERT_NEAR(x, 383, 1);
    const QImage shown = display.Plot().grab().toImage().convertToFormat(QImage::Format_RGB32);
    const DevicePixels dp(ratio);
    const int y = dp.Begin(5);
    EXPECT_EQ(shown.pixel(dp.Begin(x) - 1, y), qRgb(69, 69, 54));
    for (int d = dp.Begin(x); d < dp.Begin(x + 1); ++d)
        EXPECT_EQ(shown.pixel(d, y), qRgb(255, 69, 54)) << d;
    EXPECT_EQ(shown.pixel(dp.Begin(x + 1), y), qRgb(69, 69, 54));
}

// ctest runs this on two offscreen screens of ratios 1 and 2
// (display_widgets_two_screens): the display thread draws for the screen the
// plot is on.
TEST(ScreenRatio, APlotMovedToAScreenOfAnotherRatioIsDrawnForIt) {
    const auto [plain, fine] = test::PlainAndFineScreens();
    if (!plain || !fine) GTEST_SKIP() << "needs screens of ratios 1 and 2";
    test::RecordingIntents intents;
    MainDisplay display(intents);
    display.Show(test::MainState());
    for (QScreen* screen : {plain, fine, plain}) {
        display.move(screen->geometry().topLeft());
        display.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return display.screen() == screen; }));
        // The plot's next paint asks for the screen's ratio; the display
        // thread's next frame is drawn at it.
        display.Plot().grab();
        display.Renderer().Render();
        EXPECT_EQ(display.Renderer().Frames().FrontCopy().devicePixelRatio(),
                  screen->devicePixelRatio());
    }
}

}  // namespace
}  // namespace velorix
