// The displays' widgets under the mouse: each gesture becomes the intents
// the window hands to the controller (which the control tests follow into
// the tuning), and the pointer's marks are painted over the frame.
#include <gtest/gtest.h>
#include <QTest>
#include <QWheelEvent>

#include "MainDisplay.h"
#include "SecondaryDisplay.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

using test::RecordingIntents;

void Wheel(QWidget* w, int delta) {
    QWheelEvent e(QPointF(200, 60), w->mapToGlobal(QPointF(200, 60)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

class MainDisplayMouse : public ::testing::Test {
protected:
    MainDisplayMouse() {
        display.Show(test::MainState());
        display.show();
    }
    RecordingIntents intents;
    MainDisplay display{intents};
};

TEST_F(MainDisplayMouse, ADoubleClickIsOneIntentAtItsPixel) {
    QTest::mouseDClick(&display.Plot(), Qt::LeftButton, {}, QPoint(523, 100));
    ASSERT_EQ(intents.clicks.size(), 1u);
    EXPECT_EQ(intents.clicks[0], std::make_pair(DisplayId::Main, 523));
    EXPECT_TRUE(intents.drags.empty());
}

TEST_F(MainDisplayMouse, APassbandDragGoesOnFromThePixelTheTuningLastTook) {
    PlotWidget& plot = display.Plot();
    const int inBand = display.State().band.low + 2;
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(inBand, 50));
    QTest::mouseMove(&plot, QPoint(inBand + 100, 50));
    QTest::mouseMove(&plot, QPoint(MainDisplay::kWidth + 40, 50));  // beyond the plot: not taken
    QTest::mouseMove(&plot, QPoint(MainDisplay::kWidth - 1, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(MainDisplay::kWidth - 1, 50));
    QTest::mouseMove(&plot, QPoint(300, 50));  // released: moves no longer tune
    const std::vector<std::pair<int, int>> expected = {{inBand, inBand + 100},
                                                       {inBand + 100, MainDisplay::kWidth + 40},
                                                       {inBand + 100, MainDisplay::kWidth - 1}};
    EXPECT_EQ(intents.drags, expected);

    // A press outside the band, or any press in "Center" tuning, drags nothing.
    auto centreTuning = std::make_shared<DisplayState>(display.State());
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseMove(&plot, QPoint(150, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(150, 50));
    centreTuning->offsetTuning = false;
    display.Show(centreTuning);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(inBand, 50));
    QTest::mouseMove(&plot, QPoint(inBand + 30, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(inBand + 30, 50));
    EXPECT_EQ(intents.drags.size(), expected.size());
}

TEST_F(MainDisplayMouse, TheSlideBarScrollsByThePointersMoves) {
    ScaleBarWidget& bar = display.SlideBar();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(400, 10));
    QTest::mouseMove(&bar, QPoint(370, 10), -1);
    QTest::mouseMove(&bar, QPoint(375, 10), -1);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(375, 10));
    EXPECT_EQ(intents.scrollBegins, 1);
    EXPECT_EQ(intents.scrolls, (std::vector<int>{-30, 5}));
    EXPECT_EQ(intents.scrollEnds, 1);
}

TEST_F(MainDisplayMouse, ARightPressIsAMarkerAtItsPixelAndTheCursorSizesOnlyOverTheBand) {
    PlotWidget& plot = display.Plot();
    QTest::mousePress(&plot, Qt::RightButton, {}, QPoint(300, 80));
    QTest::mouseRelease(&plot, Qt::RightButton, {}, QPoint(300, 80));
    EXPECT_EQ(intents.markers, std::vector<int>{300});
    EXPECT_TRUE(intents.clicks.empty());

    // Offset tuning: the sizing cursor over the band, its edges included.
    const PassbandPixels band = display.State().band;
    const auto shapeAt = [&](int x) {
        QTest::mouseMove(&plot, QPoint(x, 80));
        return plot.cursor().shape();
    };
    for (const auto& [x, shape] :
         std::vector<std::pair<int, Qt::CursorShape>>{{band.low - 1, Qt::CrossCursor},
                                                      {band.low, Qt::SizeHorCursor},
                                                      {band.high, Qt::SizeHorCursor},
                                                      {band.high + 1, Qt::CrossCursor},
                                                      {100, Qt::CrossCursor}})
        EXPECT_EQ(shapeAt(x), shape) << "at " << x;
    // A band drag keeps it wherever the pointer goes.
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(band.low + 2, 80));
    EXPECT_EQ(shapeAt(band.high + 60), Qt::SizeHorCursor);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(band.high + 60, 80));
    EXPECT_EQ(shapeAt(band.high + 61), Qt::CrossCursor);
    // "Center" tuning drags no band: the cross everywhere.
    auto centreTuning = std::make_shared<DisplayState>(display.State());
    centreTuning->offsetTuning = false;
    display.Show(centreTuning);
    EXPECT_EQ(shapeAt(band.low + 2), Qt::CrossCursor);
}

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        paints += e->type() == QEvent::Paint;
        return false;
    }
};

TEST_F(MainDisplayMouse, ANewStateRepaintsTheSlideBarsScale) {
    QApplication::processEvents();
    PaintCounter counter;
    display.SlideBar().installEventFilter(&counter);
    // A retune in "Center" tuning: the band and the tuned line stay at their
    // pixels while the scale moves.
    auto retuned = std::make_shared<DisplayState>(display.State());
    retuned->geometry.OnCentreChanged(15290.0);
    display.Show(retuned);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
}

TEST_F(MainDisplayMouse, PointerMovesPaintTheCursorAndNeverDrawAFrame) {
    QApplication::processEvents();
    RowSpan rows;
    display.Renderer().Frames().TakePending(rows);
    for (int x = 300; x < 350; ++x)
        QTest::mouseMove(&display.Plot(), QPoint(x, 150));
    QApplication::processEvents();
    EXPECT_EQ(display.Plot().Marks().cursorX, 349);
    EXPECT_FALSE(display.Renderer().Frames().TakePending(rows));
    EXPECT_EQ(display.Renderer().Spectra(), 0u);
}

// The cursor line and the waterfall's band under the pointer, merged into
// the frame as the background merges its lines.
class PlotMarks : public MainDisplayMouse {
protected:
    // The frame of `state` as the display thread draws it, then shown.
    QImage Shown(std::shared_ptr<const DisplayState> state, int pointerX) {
        display.Show(state);
        display.Renderer().Render();
        QApplication::processEvents();
        QTest::mouseMove(&display.Plot(), QPoint(pointerX, 100));
        return display.Plot().grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
};

// A column at or right of `from` that no vertical grid line crosses.
int OffGrid(const DisplayState& s, int from) {
    for (const ScaleTick& t : s.geometry.Scale().Ticks())
        if (t.major && t.x == from) return OffGrid(s, from + 1);
    return from;
}

TEST_F(PlotMarks, TheCursorLineOrsIntoBandAndBlack) {
    auto s = std::make_shared<DisplayState>(*test::MainState());
    s->band = {300, 400};
    const int inBand = OffGrid(*s, 385), outside = OffGrid(*s, 437);
    EXPECT_EQ(At(Shown(s, inBand), inBand, 100), qRgb(255, 69, 54) & 0xFFFFFFu);
    EXPECT_EQ(At(Shown(s, outside), outside, 100), qRgb(255, 0, 0) & 0xFFFFFFu);
}

TEST_F(PlotMarks, TheWaterfallShowsTheBandOnlyUnderThePointer) {
    auto s = std::make_shared<DisplayState>(*test::MainState(1));
    const int x = s->band.low + 5;
    EXPECT_EQ(At(Shown(s, 100), x, 200), 0u);  // no line yet: black
    const QImage hovered = Shown(s, x);
    EXPECT_EQ(At(hovered, x + 1, 200), qRgb(69, 69, 54) & 0xFFFFFFu);
    EXPECT_EQ(At(hovered, s->tunedX, 200), qRgb(255, 128, 0) & 0xFFFFFFu);
    EXPECT_EQ(At(hovered, x, 200), qRgb(255, 69, 54) & 0xFFFFFFu);  // the cursor over the band
    // The pointer moved off the band takes the band and the tuned line with it.
    QTest::mouseMove(&display.Plot(), QPoint(s->band.high + 100, 100));
    const QImage left = display.Plot().grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(At(left, x + 1, 200), 0u);
    EXPECT_EQ(At(left, s->tunedX, 200), 0u);
}

class SecondaryDisplayMouse : public ::testing::Test {
protected:
    // 7.8125 kHz around the USB carrier offset, edges -0.1 and 0.2.
    static std::shared_ptr<const DisplayState> State(bool offsetTuning) {
        auto s = std::make_shared<DisplayState>();
        s->geometry = DisplayGeometry(410, 120);
        s->geometry.Reconfigure(256, 7812.5, 1500.0);
        s->edgeLow = -0.1;
        s->edgeHigh = 0.2;
        s->offsetTuning = offsetTuning;
        return s;
    }
    void Make(bool offsetTuning) {
        display = std::make_unique<SecondaryDisplay>(410, 120, intents, nullptr,
                                                     [this] { return nowMs; });
        display->Show(State(offsetTuning));
        display->show();
    }

    RecordingIntents intents;
    std::int64_t nowMs = 5000;
    std::unique_ptr<SecondaryDisplay> display;
};

// The model's arithmetic has its own tests: here, that each gesture reaches
// it and its answer leaves as intents.
TEST_F(SecondaryDisplayMouse, EdgeShiftAndSpectrumDragsAndTheWheelBecomeIntents) {
    Make(true);
    const SecondaryDisplayModel& m = display->Model();
    PlotWidget& plot = display->Plot();
    const auto drag = [&](Qt::MouseButton button, int from, int to) {
        QTest::mousePress(&plot, button, {}, QPoint(from, 60));
        QTest::mouseMove(&plot, QPoint(to, 60));
        QTest::mouseRelease(&plot, button, {}, QPoint(to, 60));
    };
    drag(Qt::LeftButton, m.FractionToPixel(0.2), m.FractionToPixel(0.2) + 20);  // the high edge
    drag(Qt::RightButton, 200, 190);                                            // both edges
    Wheel(&plot, 120);
    ASSERT_EQ(intents.edges.size(), 4u);  // press, move, shift, wheel
    EXPECT_EQ(intents.edges.back(), std::make_pair(m.Low(), m.High()));
    EXPECT_TRUE(intents.spectrumDrags.empty());

    drag(Qt::LeftButton, m.FractionToPixel(-0.3), m.FractionToPixel(-0.3) + 8);  // the spectrum
    EXPECT_EQ(intents.spectrumDragBegins, 1);
    EXPECT_EQ(intents.spectrumDrags, std::vector<double>{8 * m.HzPerBin()});
    EXPECT_EQ(intents.spectrumDragEnds, 1);
    EXPECT_EQ(intents.centreRetunes, 0);  // offset tuning: no centre to retune
}

TEST_F(SecondaryDisplayMouse, TheCursorSizesWithinFivePixelsOfAnEdgeAndHoldsWhileDragging) {
    Make(true);
    PlotWidget& plot = display->Plot();
    const auto shapeAt = [&](int x) {
        QTest::mouseMove(&plot, QPoint(x, 60));
        return plot.cursor().shape();
    };
    // 256 bins on 410 pixels: the high edge 0.2 at pixel 256, the low -0.1 at 179.
    for (const auto& [x, shape] :
         std::vector<std::pair<int, Qt::CursorShape>>{{260, Qt::SizeHorCursor},
                                                      {261, Qt::CrossCursor},
                                                      {174, Qt::CrossCursor},
                                                      {183, Qt::SizeHorCursor},
                                                      {184, Qt::CrossCursor},
                                                      {220, Qt::CrossCursor}})
        EXPECT_EQ(shapeAt(x), shape) << "at " << x;
    // A press between the edges drags the spectrum with the sizing cursor;
    // it is left alone while the button is down.
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(220, 60));
    EXPECT_EQ(shapeAt(222), Qt::SizeHorCursor);
    EXPECT_EQ(shapeAt(300), Qt::SizeHorCursor);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(300, 60));
    EXPECT_EQ(shapeAt(301), Qt::CrossCursor);
    // The right button moves both edges: no marker here.
    QTest::mousePress(&plot, Qt::RightButton, {}, QPoint(220, 60));
    QTest::mouseRelease(&plot, Qt::RightButton, {}, QPoint(220, 60));
    EXPECT_TRUE(intents.markers.empty());
}

TEST_F(SecondaryDisplayMouse, CentreTuningAsksForACentreRetuneEvery100MsOfASpectrumDrag) {
    Make(false);
    PlotWidget& plot = display->Plot();
    auto tickAt = [&](std::int64_t ms) {
        nowMs = ms;
        display->CentreTick();
    };
    const int x = display->Model().FractionToPixel(-0.3);
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(x, 60));
    QTest::mouseMove(&plot, QPoint(x + 8, 60));
    tickAt(5050);  // not yet 100 ms since the press
    EXPECT_EQ(intents.centreRetunes, 0);
    tickAt(5100);
    EXPECT_EQ(intents.centreRetunes, 1);
    tickAt(5150);  // 50 ms after the last
    EXPECT_EQ(intents.centreRetunes, 1);
    tickAt(5200);
    EXPECT_EQ(intents.centreRetunes, 2);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(x + 8, 60));
    EXPECT_EQ(intents.spectrumDragEnds, 1);
    tickAt(6000);  // no drag: no retune
    EXPECT_EQ(intents.centreRetunes, 2);

    QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(205 + 20, 60));
    ASSERT_EQ(intents.clicks.size(), 1u);
    EXPECT_EQ(intents.clicks[0], std::make_pair(DisplayId::Secondary, 225));
}

}  // namespace
}  // namespace velorix
