#include <gtest/gtest.h>

#include "BitmapPanel.h"
#include "ControlBinder.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "SkinButton.h"
#include "SkinStyle.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "UiTest.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

class Binder : public ::testing::Test {
protected:
    Binder() : controls(&window, binder) {
        binder.BindStationPanel(controls.Stations(), [this] { return lines; });
    }
    // Applies what changed from `before` to `after`, as an operation would.
    void Step(const PanelState& before, const PanelState& after, bool stations = false) {
        Outcome outcome;
        outcome.changes = Diff(before, after);
        outcome.stationPanelRedraw = stations;
        binder.Apply(outcome, after);
    }

    QWidget window;
    ControlBinder binder;
    SkinnedControls controls;
    std::vector<std::string> lines;
};

TEST_F(Binder, AppliesAWholePanelState) {
    PanelState panel;
    panel.CheckRadio(ControlId::Mode0, 9, 4);
    panel.Enable(ControlId::SecPbt, false);
    panel.Light(ControlId::Stop, true);
    panel.SetText(label::kRefLev, "-30");
    panel.SetText(label::kFreq, " 7.100");
    panel.SetText(label::kFreqHz, "500");
    panel.SetSlider(ControlId::VolumeSlider, -200);
    binder.ApplyAll(panel);
    EXPECT_TRUE(controls.CheckBox(Offset(ControlId::Mode0, 4))->IsChecked());
    EXPECT_FALSE(controls.CheckBox(Offset(ControlId::Mode0, 3))->IsChecked());
    EXPECT_FALSE(controls.Button(ControlId::SecPbt)->Enabled());
    EXPECT_TRUE(static_cast<BitmapButton*>(controls.Button(ControlId::Stop))->State());
    EXPECT_EQ(controls.Label(label::kRefLev)->Text(), "-30");
    EXPECT_EQ(controls.Readout()->BigText(), " 7.100");
    EXPECT_EQ(controls.Readout()->SmallText(), "500");
    VerticalSlider* volume = controls.Slider(ControlId::VolumeSlider);
    EXPECT_EQ(volume->Position(), volume->Range() / 2);
}

TEST_F(Binder, AppliesOnlyWhatAnOutcomeChanged) {
    PanelState before;
    binder.ApplyAll(before);
    // A label changed behind the binder's back stays as it is when the
    // outcome does not name it.
    controls.Label(label::kScale)->SetText("x");
    PanelState after = before;
    after.Enable(ControlId::RefLevUp, false);
    after.SetText(label::kTime, "12:00:00");
    Step(before, after);
    EXPECT_FALSE(controls.Button(ControlId::RefLevUp)->Enabled());
    EXPECT_EQ(controls.Label(label::kTime)->Text(), "12:00:00");
    EXPECT_EQ(controls.Label(label::kScale)->Text(), "x");
}

TEST_F(Binder, SliderValueFromItsOwnThumbLeavesTheThumbWhereItIs) {
    VerticalSlider* volume = controls.Slider(ControlId::VolumeSlider);
    PanelState before;
    binder.ApplyAll(before);
    test::Press(*volume, {10, 40});
    const int p = volume->Position();
    PanelState after = before;
    after.SetSlider(ControlId::VolumeSlider, static_cast<int>(volume->Value()));  // truncated
    Step(before, after);
    EXPECT_EQ(volume->Position(), p);
}

TEST_F(Binder, TicksDuringPlaybackLeaveTheSelectedStretchDrawn) {
    RecordingBar* bar = controls.Bar();
    PanelState panel;
    panel.recBar = {790 * 2048, 0, true};  // a file loaded: range selection on
    binder.ApplyAll(panel);
    test::Press(*bar, {205, 16});
    test::Drag(*bar, {405, 16});
    test::Release(*bar, {405, 16});
    for (int tick = 1; tick <= 10; ++tick) {
        PanelState next = panel;
        next.recBar.positionBytes = 2048u * 25 * tick;
        Step(panel, next);
        panel = next;
    }
    EXPECT_EQ(bar->SelectionStart(), 205);
    EXPECT_EQ(bar->SelectionEnd(), 405);
    EXPECT_EQ(bar->BarEnd(), 5 + 250);
    const QImage shown = test::Render(*bar);
    EXPECT_EQ(test::At(shown, 300, 15), test::Rgb(128, 128, 64));
    // A new range (the next file of a series) clears the selection.
    PanelState next = panel;
    next.recBar.rangeBytes = 790 * 1024;
    Step(panel, next);
    EXPECT_EQ(bar->SelectionStart(), bar->SelectionEnd());
}

TEST_F(Binder, StationPanelDrawsTheGivenLinesWhenTold) {
    StationPanel* stations = controls.Stations();
    lines = {"1200 1300 Radio One - Site A  250 kW", "", "0000 2400 Radio Three"};
    PanelState panel;
    Step(panel, panel, false);
    EXPECT_TRUE(stations->Lines().empty());
    Step(panel, panel, true);
    EXPECT_EQ(stations->Lines(), lines);
    // Amber text in the 14-pixel rows of the first and third lines only.
    const QImage shown = test::Render(*stations);
    auto amberInRows = [&](int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < shown.width(); ++x)
                n += test::At(shown, x, y) == (skin::kDigits.rgb() & 0xFFFFFFu);
        return n;
    };
    EXPECT_GT(amberInRows(0, 14), 0);
    EXPECT_EQ(amberInRows(14, 28), 0);
    EXPECT_GT(amberInRows(28, 42), 0);
    EXPECT_EQ(amberInRows(42, shown.height()), 0);
    // Text starts at x 3.
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_NE(test::At(shown, x, y), skin::kDigits.rgb() & 0xFFFFFFu);
}

}  // namespace
}  // namespace velorix
