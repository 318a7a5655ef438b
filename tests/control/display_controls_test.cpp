#include <functional>

#include "ControllerFixture.h"

namespace velorix::test {
namespace {

using DisplayControls = ControllerTest;

TEST_F(DisplayControls, ReferenceLevelArrowsStopAtTheLimits) {
    settings.RefLevel = -140;
    settings.RefScaleIdx = 3;  // 10 dB per division
    StartUp();
    EXPECT_EQ(panel().Text(label::kRefLev), "-140");
    EXPECT_TRUE(panel().Enabled(ControlId::RefLevDown));  // -150 is allowed
    settings.RefLevel = -145;
    ctl->Displays().StepScale(false);  // 5 dB: -150 still reachable
    EXPECT_TRUE(panel().Enabled(ControlId::RefLevDown));
    ctl->Displays().StepScale(true);  // 10 dB again: -155 is not
    EXPECT_FALSE(panel().Enabled(ControlId::RefLevDown));
    EXPECT_FALSE(ctl->Displays().StepRefLevel(false).accepted);

    // The edge arrows keep the same limits in spectrum mode.
    settings.RefLevel = -150;
    ctl->Displays().StepRefLevel(true);
    EXPECT_TRUE(ctl->Displays().StepEdge(true).accepted);  // 262: down one division
    EXPECT_TRUE(ctl->Displays().StepEdge(true).changes.Empty());
    EXPECT_EQ(settings.RefLevel, -150);
    settings.RefLevel = 10;
    const Outcome o = ctl->Displays().StepEdge(false);  // 263: up to +20
    EXPECT_EQ(panel().Text(label::kRefLev), "20");
    ASSERT_NE(o.changes.Find(ControlId::RefLevUp), nullptr);
    EXPECT_FALSE(ctl->Displays().StepEdge(false).accepted);
    EXPECT_EQ(settings.RefLevel, 20);
}

// Both displays draw levels the same way: every control that moves the
// levels hands the secondary display its new state too, not only the main one.
TEST_F(DisplayControls, LevelControlsReachBothDisplaysAtOnce) {
    settings.CenterFreq = 14150000;  // preselector filter 7: 1.9 dB loss
    settings.RefLevel = -30;
    settings.RefScaleIdx = 3;
    settings.AttenuatorIdx = 0;
    settings.AdcPreamp = 0;
    settings.Preselector = 0;
    StartUp();
    struct Case {
        const char* control;
        std::function<Outcome()> run;
        int refLevelDb;
        int dbPerDivision;
        double levelOffsetDb;
    };
    const Case cases[] = {
        {"RefLev down", [&] { return ctl->Displays().StepRefLevel(false); }, -40, 10, -4.0},
        {"Scale down", [&] { return ctl->Displays().StepScale(false); }, -40, 5, -4.0},
        {"edge arrow", [&] { return ctl->Displays().StepEdge(false); }, -35, 5, -4.0},
        {"Att 20 dB", [&] { return ctl->FrontEnd().SelectAttenuator(2); }, -35, 5, 16.0},
        {"Preamp on", [&] { return ctl->FrontEnd().TogglePreamp(); }, -35, 5, 12.5},
        {"Presel on", [&] { return ctl->FrontEnd().TogglePreselector(); }, -35, 5, 14.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        const Outcome o = c.run();
        ASSERT_NE(o.secondaryDisplay, nullptr);
        ASSERT_NE(o.mainDisplay, nullptr);
        for (const DisplayState* d : {o.secondaryDisplay.get(), o.mainDisplay.get()}) {
            EXPECT_EQ(d->refLevelDb, c.refLevelDb);
            EXPECT_EQ(d->dbPerDivision, c.dbPerDivision);
            EXPECT_NEAR(d->levelOffsetDb, c.levelOffsetDb, 1e-9);
        }
    }
}

TEST_F(DisplayControls, SpanArrowsHalveAndDoubleTheSkipLimit) {
    settings.MainFFTIdx = 3;
    StartUp();
    engine.skipLimit = 1;
    ctl->Displays().StepSpan(false);
    EXPECT_EQ(engine.skipLimit, 0);
    ctl->Displays().StepSpan(false);
    EXPECT_EQ(engine.skipLimit, 0);
    engine.skipLimit = 3;
    ctl->Displays().StepSpan(true);
    EXPECT_EQ(engine.skipLimit, 6);
    EXPECT_EQ(settings.MainFFTIdx, 2);
}

TEST_F(DisplayControls, WaterfallEdgeArrowsSetThePace) {
    settings.DispFnIdx = 1;
    StartUp();
    EXPECT_TRUE(engine.autoThrottle);
    struct Case {
        bool up;  // 262, else 263
        int before;
        int after;  // -1: refused, unchanged
    };
    for (const Case c :
         {Case{false, 0, 1}, Case{false, 1, 2}, Case{false, 3, 4}, Case{false, 99, 148},
          Case{false, 100, -1}, Case{true, 3, 2}, Case{true, 148, 98}, Case{true, 0, -1}}) {
        SCOPED_TRACE(testing::Message() << (c.up ? "262 at " : "263 at ") << c.before);
        engine.skipLimit = c.before;
        EXPECT_EQ(ctl->Displays().StepEdge(c.up).accepted, c.after >= 0);
        EXPECT_EQ(engine.skipLimit, c.after >= 0 ? c.after : c.before);
    }
    ctl->Displays().SelectDisplayFunction(0);
    EXPECT_EQ(mainDisplay().function, 0);
    EXPECT_FALSE(engine.autoThrottle);
    EXPECT_EQ(engine.skipLimit, 0);
}

TEST_F(DisplayControls, StartUpRestoresTheDisplayAndMeterControls) {
    settings.SecDispFnIdx = 1;
    settings.SmtrMode = 1;
    settings.MainAvgVal = 200;
    settings.SecAvgVal = 100;
    StartUp();
    EXPECT_TRUE(panel().Checked(ControlId::SecPbt));
    EXPECT_FALSE(panel().Enabled(ControlId::SecPbt));
    EXPECT_TRUE(panel().Checked(ControlId::SmtrPeak));
    // Averaging is off after start-up, whatever the sliders hold.
    EXPECT_EQ(mainDisplay().averaging, 0.0);
    EXPECT_EQ(secondaryDisplay().averaging, 0.0);
    EXPECT_FALSE(panel().Checked(ControlId::MainAvg));
    EXPECT_EQ(panel().Slider(ControlId::MainAvgSlider), 200);

    // The square applies the slider's factor; the slider moves it while on.
    ctl->Displays().ToggleAveraging(DisplayId::Main);
    EXPECT_DOUBLE_EQ(mainDisplay().averaging, 0.75);
    const Outcome o = RunControl(*ctl, ControlId::MainAvgSlider, 400);
    EXPECT_DOUBLE_EQ(mainDisplay().averaging, 0.9375);
    ASSERT_EQ(o.changes.sliders.size(), 1u);
    EXPECT_EQ(o.changes.sliders[0].second, 400);
    // Off: the secondary slider's value waits for its square.
    RunControl(*ctl, ControlId::SecAvgSlider, 300);
    EXPECT_EQ(secondaryDisplay().averaging, 0.0);
    ctl->Displays().ToggleAveraging(DisplayId::Secondary);
    EXPECT_DOUBLE_EQ(secondaryDisplay().averaging, 0.875);
    EXPECT_FALSE(ctl->Displays().SelectSecDisplayFunction(2).accepted);  // "Notch" is disabled
}

TEST_F(DisplayControls, FilterAndModeChangesReachTheDisplays) {
    StartUp();                           // USB, " 3 kHz", 2400 Hz
    ctl->Demodulator().SelectFilter(2);  // " 6 kHz": still 2400 Hz wide, symmetric
    EXPECT_DOUBLE_EQ(secondaryDisplay().edgeLow, -1200 / 31250.0);
    EXPECT_DOUBLE_EQ(secondaryDisplay().edgeHigh, 1200 / 31250.0);
    ctl->Demodulator().SelectMode(0);  // AM, "12 kHz": 9000 Hz
    EXPECT_DOUBLE_EQ(secondaryDisplay().edgeHigh, 4500 / 31250.0);
}

TEST_F(DisplayControls, ListRadiosAndTheStationPanelRedraw) {
    StartUp();
    EXPECT_TRUE(panel().Checked(ControlId::ListEibi));  // the default list
    const Outcome o = ctl->SelectMemList(2);
    EXPECT_TRUE(o.stationPanelRedraw);
    EXPECT_EQ(o.changes.controls.size(), 2u);  // "EIBI" off, "User" on
    // A retune within the same kHz leaves the panel as it is.
    EXPECT_FALSE(ctl->Tuning().SetCenterFrequency(settings.CenterFreq + 100).stationPanelRedraw);
    EXPECT_TRUE(ctl->Tuning().SetCenterFrequency(settings.CenterFreq + 1000).stationPanelRedraw);
}

}  // namespace
}  // namespace velorix::test
