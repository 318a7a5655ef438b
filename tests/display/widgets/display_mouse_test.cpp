#include <gtest/gtest.h>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

#include "MainDisplay.h"
#include "SecondaryDisplay.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

using test::RecordingSink;

void Wheel(QWidget* w, int delta) {
    QWheelEvent e(QPointF(200, 60), w->mapToGlobal(QPointF(200, 60)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// The tuned frequency the settings now hold, kHz.
double TunedKHz(const SettingsRecord& s) {
    return s.TunedHz() / 1000.0;
}

TEST(MainDisplayMouse, DoubleClickTunesToTheExactBinInCwAndWholeKHzInUsb) {
    test::EnsureApplication();
    for (const int demIdx : {2, 4}) {  // CW, USB
        SettingsRecord s;
        test::SetUpSettings(s, demIdx);
        RecordingSink sink(s);
        MainDisplay display(s, sink);
        display.show();
        const int x = 523;
        QTest::mouseDClick(&display.Plot(), Qt::LeftButton, {}, QPoint(x, 100));
        ASSERT_EQ(sink.offsets.size(), 1u) << "one tuning per double click, mode " << demIdx;
        const double binKHz = display.Geometry().BinToKHz(display.Geometry().PixelToBin(x));
        if (demIdx == 2) {
            EXPECT_NEAR(TunedKHz(s), binKHz, 0.001);
            EXPECT_GT(std::abs(TunedKHz(s) - std::round(TunedKHz(s))), 0.001);
        } else {
            EXPECT_DOUBLE_EQ(TunedKHz(s), std::floor(binKHz + 0.5));
        }
    }
}

TEST(MainDisplayMouse, PassbandDragFollowsTheMouseAndStopsAtThePlotEdge) {
    test::EnsureApplication();
    SettingsRecord s;
    test::SetUpSettings(s, 4);
    RecordingSink sink(s);
    MainDisplay display(s, sink);
    display.SetPassbandKHz(0.1, 2.8);
    display.show();
    const DisplayGeometry& g = display.Geometry();
    const int tuned = g.KHzToPixel(TunedKHz(s));
    PlotWidget& plot = display.Plot();
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(tuned + 5, 50));
    QTest::mouseMove(&plot, QPoint(tuned + 105, 50));
    // 100 pixels are 100 bins.
    EXPECT_NEAR(TunedKHz(s) - 14150.0, 100 * g.KHzPerBin(), 0.002);
    QTest::mouseMove(&plot, QPoint(MainDisplay::kWidth - 1, 50));
    const double atEdge = TunedKHz(s);
    QTest::mouseMove(&plot, QPoint(MainDisplay::kWidth + 40, 50));
    EXPECT_DOUBLE_EQ(TunedKHz(s), atEdge);  // beyond the plot: nothing
    EXPECT_NEAR(atEdge - 14150.0, (MainDisplay::kWidth - 1 - tuned - 5) * g.KHzPerBin(), 0.002);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(MainDisplay::kWidth + 40, 50));
    const size_t count = sink.offsets.size();
    QTest::mouseMove(&plot, QPoint(300, 50));
    EXPECT_EQ(sink.offsets.size(), count);  // released: moves no longer tune
}

TEST(MainDisplayMouse, SlideBarDragCarriesTheTunedFrequencyWithTheView) {
    test::EnsureApplication();
    SettingsRecord s;
    test::SetUpSettings(s, 4);
    s.MainFFTIdx = 0;  // 65536 bins: the bar scrolls
    RecordingSink sink(s);
    MainDisplay display(s, sink);
    display.show();
    const DisplayGeometry& g = display.Geometry();
    const double centre0 = g.VisibleCentreKHz();
    const int tunedX = g.KHzToPixel(TunedKHz(s));
    ScaleBarWidget& bar = display.SlideBar();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(400, 10));
    QTest::mouseMove(&bar, QPoint(370, 10), -1);
    // The picture follows the mouse: the view moves 30 bins up, and the tuned
    // frequency with it, so it stays at its pixel.
    EXPECT_NEAR(g.VisibleCentreKHz() - centre0, 30 * g.KHzPerBin(), 1e-9);
    EXPECT_NEAR(TunedKHz(s) - 14150.0, 30 * g.KHzPerBin(), 0.001);
    EXPECT_NEAR(g.KHzToPixel(TunedKHz(s)), tunedX, 1);  // the offset is whole Hz
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(370, 10));
    ASSERT_EQ(sink.centres.size(), 1u);
    EXPECT_DOUBLE_EQ(sink.centres[0], g.VisibleCentreKHz());
}

// USB settings in centre tuning (TuneMode 1), tuned to the centre.
void SetUpCentreTuning(SettingsRecord& s) {
    test::EnsureApplication();
    test::SetUpSettings(s, 4);
    s.TuneMode = 1;
    s.FreqOffset = 0;
}

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST(MainDisplayMouse, ACentreRetuneInCentreTuningRepaintsTheSlideBarsScale) {
    SettingsRecord s;
    SetUpCentreTuning(s);
    RecordingSink sink(s);
    MainDisplay display(s, sink);
    display.show();
    QApplication::processEvents();
    PaintCounter counter;
    display.SlideBar().installEventFilter(&counter);
    s.CenterFreq = 15290000;  // the band and the tuned line stay at their pixels
    display.OnCentreChanged();
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(display.Geometry().VisibleCentreKHz(), 15290.0);
    EXPECT_GE(counter.paints, 1);
}

TEST(SecondaryDisplayMouse, EdgeShiftAndSpectrumDragsAndTheWheel) {
    test::EnsureApplication();
    SettingsRecord s;
    test::SetUpSettings(s, 4);
    RecordingSink sink(s);
    SecondaryDisplay display(410, 120, s, sink);
    display.Configure(7.8125, 1500.0, -0.1, 0.2);
    display.show();
    SecondaryDisplayModel& m = display.Model();
    PlotWidget& plot = display.Plot();

    // Drag the high edge 20 pixels out: it lands on that pixel's fraction.
    const int high = m.FractionToPixel(0.2);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(high, 60));
    QTest::mouseMove(&plot, QPoint(high + 20, 60));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(high + 20, 60));
    ASSERT_FALSE(sink.edges.empty());
    EXPECT_NEAR(sink.edges.back().second, (high + 20 - 205) / 256.0, 1e-9);
    EXPECT_GT(sink.edges.back().second, 0.27);
    EXPECT_NEAR(sink.edges.back().first, -0.1, 1e-9);

    // Both edges with the right button, 10 pixels left.
    const double low0 = m.Low(), high0 = m.High();
    QTest::mousePress(&plot, Qt::RightButton, {}, QPoint(200, 60));
    QTest::mouseMove(&plot, QPoint(190, 60));
    QTest::mouseRelease(&plot, Qt::RightButton, {}, QPoint(190, 60));
    EXPECT_NEAR(m.Low(), (m.FractionToPixel(low0) - 10 - 205) / 256.0, 1e-9);
    EXPECT_NEAR(m.High(), (m.FractionToPixel(high0) - 10 - 205) / 256.0, 1e-9);

    // The spectrum: 8 pixels right shifts the offset by 8 bins' worth of Hz.
    const int empty = m.FractionToPixel(-0.3);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(empty, 60));
    QTest::mouseMove(&plot, QPoint(empty + 8, 60));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(empty + 8, 60));
    ASSERT_FALSE(sink.shifts.empty());
    EXPECT_NEAR(sink.shifts.back(), 8 * m.HzPerBin(), 1e-9);
    EXPECT_EQ(sink.dragEnds, 1);

    // The wheel: up widens by 4 pixels each side, down narrows.
    const double width = m.High() - m.Low();
    Wheel(&plot, 120);
    EXPECT_NEAR(m.High() - m.Low(), width + 8.0 / 256, 1e-9);
    Wheel(&plot, -120);
    Wheel(&plot, -120);
    EXPECT_NEAR(m.High() - m.Low(), width - 8.0 / 256, 1e-9);
}

TEST(SecondaryDisplayMouse, CentreTuningRetunesTheCentreEvery100MsOfASpectrumDrag) {
    SettingsRecord s;
    SetUpCentreTuning(s);
    RecordingSink sink(s);
    std::int64_t nowMs = 5000;
    SecondaryDisplay display(410, 120, s, sink, nullptr, [&nowMs] { return nowMs; });
    display.Configure(7.8125, 1500.0, -0.1, 0.2);
    display.show();
    SecondaryDisplayModel& m = display.Model();
    PlotWidget& plot = display.Plot();
    const double hzPerBin = m.HzPerBin();  // 30.517578125 Hz
    const double centre = s.CenterFreq / 1000.0;
    auto tickAt = [&](std::int64_t ms) {
        nowMs = ms;
        display.CentreTick();
    };

    const int x = m.FractionToPixel(-0.3);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(x, 60));
    QTest::mouseMove(&plot, QPoint(x + 8, 60));
    QTest::mouseMove(&plot, QPoint(x + 10, 60));
    tickAt(5050);  // not yet 100 ms since the press
    EXPECT_TRUE(sink.centres.empty());
    tickAt(5100);
    ASSERT_EQ(sink.centres.size(), 1u);
    // 10 pixels right: the centre 10 bins down.
    EXPECT_NEAR(sink.centres[0], centre - 10 * hzPerBin / 1000.0, 1e-9);
    tickAt(5200);  // the mouse stood still: no retune
    EXPECT_EQ(sink.centres.size(), 1u);
    QTest::mouseMove(&plot, QPoint(x + 4, 60));
    tickAt(5250);  // moved, but 50 ms after the last retune
    EXPECT_EQ(sink.centres.size(), 1u);
    tickAt(5300);
    ASSERT_EQ(sink.centres.size(), 2u);
    EXPECT_NEAR(sink.centres[1], centre - 4 * hzPerBin / 1000.0, 1e-9);
    // A move just before the release is retuned with it.
    QTest::mouseMove(&plot, QPoint(x + 1, 60));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(x + 1, 60));
    ASSERT_EQ(sink.centres.size(), 3u);
    EXPECT_NEAR(sink.centres[2], centre - 1 * hzPerBin / 1000.0, 1e-9);
    EXPECT_EQ(sink.dragEnds, 1);
    tickAt(6000);
    EXPECT_EQ(sink.centres.size(), 3u);
    EXPECT_TRUE(sink.shifts.empty());  // the offset stays 0

    // A double click 20 pixels right of the middle centres 20 bins above the
    // carrier offset.
    QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(205 + 20, 60));
    ASSERT_EQ(sink.centres.size(), 4u);
    EXPECT_NEAR(sink.centres[3], centre + (1500.0 + 20 * hzPerBin) / 1000.0, 1e-9);
}

}  // namespace
}  // namespace velorix
