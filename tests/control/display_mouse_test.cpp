// What the mouse over the displays does to the tuning: the displays hand
// their pixels to the controller, which owns their geometry.
#include <cmath>

#include "ControllerFixture.h"

namespace velorix::test {
namespace {

class DisplayMouse : public ControllerTest {
protected:
    // 500 kHz around 14 150 kHz, 4096 bins (0.122 kHz each), offset tuning.
    void StartAt(int demIdx, int tuneMode = 0, int mainFFTIdx = 4) {
        settings.DdcSamplingRateIdx = 2;
        settings.MainFFTIdx = mainFFTIdx;
        settings.CenterFreq = 14150000;
        settings.FreqOffset = 0;
        settings.TuneMode = tuneMode;
        settings.DemIdx = demIdx;
        StartUp();
    }
    const DisplayGeometry& Main() const { return mainDisplay().geometry; }
    double TunedKHz() const { return settings.TunedHz() / 1000.0; }
};

TEST_F(DisplayMouse, DoubleClickTunesToTheExactBinInCwAndWholeKHzElse) {
    for (const int demIdx : {2, 4}) {  // CW, USB
        StartAt(demIdx);
        const int x = 523;
        const double binKHz = Main().BinToKHz(Main().PixelToBin(x));
        ctl->Mouse().DoubleClick(DisplayId::Main, x);
        EXPECT_EQ(settings.CenterFreq, 14150000) << "offset tuning moves the offset only";
        if (demIdx == 2) {
            EXPECT_NEAR(TunedKHz(), binKHz, 0.001);
            EXPECT_GT(std::abs(TunedKHz() - std::round(TunedKHz())), 0.001);
        } else {
            EXPECT_DOUBLE_EQ(TunedKHz(), std::floor(binKHz + 0.5));
        }
    }
    // In "Center" tuning the centre goes there and the offset is 0.
    StartAt(4, 1);
    const double binKHz = Main().BinToKHz(Main().PixelToBin(300));
    ctl->Mouse().DoubleClick(DisplayId::Main, 300);
    EXPECT_EQ(settings.CenterFreq, std::floor(binKHz + 0.5) * 1000);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_NEAR(Main().VisibleCentreKHz(), settings.CenterFreq / 1000.0, 1e-9);
}

TEST_F(DisplayMouse, APassbandDragMovesTheTunedFrequencyWithThePointerWithinReach) {
    StartAt(4);
    const int tuned = mainDisplay().tunedX;
    // 100 pixels are 100 bins; the tuned line follows the pointer.
    ctl->Mouse().DragPassband(tuned + 5, tuned + 105);
    EXPECT_NEAR(TunedKHz() - 14150.0, 100 * Main().KHzPerBin(), 0.002);
    EXPECT_NEAR(mainDisplay().tunedX, tuned + 100, 1);  // the offset is whole Hz
    // Beyond the plot nothing; the offset stops at the shifter's reach.
    const double before = TunedKHz();
    EXPECT_FALSE(ctl->Mouse().DragPassband(tuned + 105, kMainPlotWidth + 40).accepted);
    EXPECT_DOUBLE_EQ(TunedKHz(), before);
    for (int i = 0; i < 20; ++i)
        ctl->Mouse().DragPassband(0, kMainPlotWidth - 1);
    EXPECT_EQ(settings.FreqOffset, -200000);
    // In "Center" tuning the band is not dragged.
    StartAt(4, 1);
    EXPECT_FALSE(ctl->Mouse().DragPassband(400, 450).accepted);
    EXPECT_EQ(settings.FreqOffset, 0);
}

TEST_F(DisplayMouse, TheSlideBarCarriesTheTunedFrequencyWithTheViewAndRetunesOnRelease) {
    // Letting go retunes the centre to the view: in offset tuning the offset
    // goes back to where it was at the press, in "Center" tuning to 0.
    for (const int tuneMode : {0, 1}) {
        SCOPED_TRACE(tuneMode == 0 ? "offset tuning" : "Center tuning");
        StartAt(4, tuneMode, 0);  // 65536 bins: the bar scrolls
        ctl->Tuning().SetTuningOffset(2000);
        const double centre0 = Main().VisibleCentreKHz();
        const int tunedX = mainDisplay().tunedX;
        ctl->Mouse().BeginScroll();
        const Outcome o = ctl->Mouse().Scroll(-30);
        // The picture follows the mouse: the view moves 30 bins up, and the
        // tuned frequency with it, so it stays at its pixel.
        ASSERT_NE(o.mainDisplay, nullptr);
        EXPECT_NEAR(Main().VisibleCentreKHz() - centre0, 30 * Main().KHzPerBin(), 1e-9);
        EXPECT_NEAR(TunedKHz() - 14148.0, 30 * Main().KHzPerBin(), 0.001);
        EXPECT_NEAR(mainDisplay().tunedX, tunedX, 1);  // the offset is whole Hz
        ctl->Mouse().Scroll(-20);
        const double visible = Main().VisibleCentreKHz();
        ClearDevice();
        EXPECT_TRUE(ctl->Mouse().EndScroll().accepted);
        EXPECT_EQ(settings.CenterFreq, static_cast<int>(std::trunc(visible * 1000 + 1e-6)));
        EXPECT_EQ(settings.FreqOffset, tuneMode == 0 ? 2000 : 0);
        EXPECT_FALSE(dev().sioFrames.empty()) << "the receiver is retuned";
        // The view is centred on the new centre, the tuned line on the tuned
        // frequency: 2 kHz below the middle, or the middle itself.
        EXPECT_NEAR(Main().VisibleCentreKHz(), settings.CenterFreq / 1000.0, 1e-9);
        EXPECT_NEAR(mainDisplay().tunedX,
                    kMainPlotWidth / 2 - (tuneMode == 0 ? 2.0 / Main().KHzPerBin() : 0.0), 1);
    }

    // While a recording keeps the receiver in place, letting go retunes nothing.
    ctl->Source().StartRecording(dir_ / "rec.wav");
    ctl->Mouse().BeginScroll();
    ctl->Mouse().Scroll(-30);
    const int centre = settings.CenterFreq;
    ClearDevice();
    EXPECT_FALSE(ctl->Mouse().EndScroll().accepted);
    EXPECT_EQ(settings.CenterFreq, centre);
    EXPECT_TRUE(ReceiverUntouched());
    ctl->Source().StopButton();
}

TEST_F(DisplayMouse, TheSecondaryDisplaysClicksAndSpectrumDragsTune) {
    StartAt(4);  // the stand-in engine: 31.25 kHz, carrier offset 0
    const double hzPerBin = 31250.0 / 256;
    // 20 pixels right of the middle is 20 bins above the tuned frequency.
    const int middle = kSecondaryPlotWidth / 2;
    ctl->Mouse().DoubleClick(DisplayId::Secondary, middle + 20);
    EXPECT_EQ(settings.FreqOffset, -std::lround(20 * hzPerBin));
    // Moving the picture right moves the tuned frequency down.
    ctl->Mouse().BeginSpectrumDrag();
    ctl->Mouse().DragSpectrum(8 * hzPerBin);
    EXPECT_EQ(settings.FreqOffset, -std::lround(20 * hzPerBin) + std::lround(8 * hzPerBin));

    // In "Center" tuning the centre follows the gathered moves on each retune
    // asked for, and only when they moved it.
    StartAt(4, 1);
    ctl->Mouse().BeginSpectrumDrag();
    ctl->Mouse().DragSpectrum(8 * hzPerBin);
    ctl->Mouse().DragSpectrum(2 * hzPerBin);
    EXPECT_EQ(settings.CenterFreq, 14150000);
    ctl->Mouse().RetuneDraggedCentre();
    EXPECT_EQ(settings.CenterFreq, static_cast<int>(14150000 - 10 * hzPerBin));
    ClearDevice();
    EXPECT_EQ(ctl->Mouse().RetuneDraggedCentre().mainDisplay, nullptr);
    EXPECT_TRUE(ReceiverUntouched());
    ctl->Mouse().DragSpectrum(-4 * hzPerBin);
    ctl->Mouse().EndSpectrumDrag();
    EXPECT_EQ(settings.CenterFreq, static_cast<int>(14150000 - 6 * hzPerBin));
    EXPECT_EQ(settings.FreqOffset, 0);
}

TEST_F(DisplayMouse, FourMarkersAtMostUntilCleared) {
    StartAt(4);
    for (const int x : {100, 200, 300, 400})
        EXPECT_TRUE(ctl->Mouse().AddMarker(x).accepted);
    EXPECT_FALSE(ctl->Mouse().AddMarker(500).accepted);
    EXPECT_EQ(mainDisplay().markerXs, (std::vector<int>{100, 200, 300, 400}));
    ctl->Displays().ToggleDelta();
    EXPECT_TRUE(mainDisplay().deltaMarkers);
    ctl->Displays().ClearMarkers();
    EXPECT_TRUE(mainDisplay().markerXs.empty());
}

}  // namespace
}  // namespace velorix::test
