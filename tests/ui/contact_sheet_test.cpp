// Every control in every state, and the whole window with every control:
// each drawn as it should look, and put into the build's artifacts folder.
#include <gtest/gtest.h>

#include <QDir>
#include <set>

#include "BitmapPanel.h"
#include "ContactSheet.h"
#include "ControlBinder.h"
#include "Skin.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "UiTest.h"

namespace velorix {
namespace {

QString Artifacts() {
    const QString dir = QStringLiteral(VELORIX_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    return dir;
}

// A state that draws as another is one the control stopped showing; every
// kind of control of the window is on the sheet.
TEST(ContactSheet, EachStateOfAControlShowsItsOwnLook) {
    const std::vector<test::ContactCell> cells = test::EveryControlInEveryState();
    std::set<ControlKind> kinds;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const test::ContactCell& a = cells[i];
        kinds.insert(a.kind);
        for (std::size_t j = i + 1; j < cells.size(); ++j) {
            const test::ContactCell& b = cells[j];
            if (a.control != b.control) continue;
            EXPECT_EQ(a.image == b.image, a.look == b.look)
                << a.control.toStdString() << ": " << a.state.toStdString() << " and "
                << b.state.toStdString();
        }
    }
    for (const ControlRow& c : ControlTable())
        EXPECT_EQ(kinds.count(c.kind), 1u) << c.name << " has no cell";
    ASSERT_TRUE(test::ContactSheet(cells).save(Artifacts() + "/controls.png"));
}

TEST(ContactSheet, WindowShowsEveryControlAsItDrawsItself) {
    const skin::Skin& skin = skin::Skin::Shared();
    BitmapPanel window(skin.Face("134"), {}, nullptr);
    ControlBinder binder;
    SkinnedControls controls(skin, &window, binder);
    PanelState panel;
    panel.CheckRadio(ControlId::Att0, 4, 1);
    panel.CheckRadio(ControlId::Rate125, 3, 2);
    panel.CheckRadio(ControlId::Mode0, 9, 4);
    panel.CheckRadio(ControlId::Filter0, 6, 3);
    panel.CheckRadio(ControlId::Agc0, 4, 1);
    panel.CheckRadio(ControlId::DispSpect, 2, 0);
    panel.CheckRadio(ControlId::SecTune, 3, 0);
    panel.CheckRadio(ControlId::SmtrRms, 2, 0);
    panel.CheckRadio(ControlId::SourceReceiver, 2, 0);
    panel.CheckRadio(ControlId::ListHfcc, 3, 1);
    panel.Check(ControlId::Audio, true);
    panel.Check(ControlId::Preamp, true);
    for (ControlId off :
         {ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak, ControlId::FileOpen,
          ControlId::NoiseReduction, ControlId::CalClr, ControlId::Play})
        panel.Enable(off, false);
    panel.Light(ControlId::Stop, true);
    for (auto [name, text] : {std::pair{label::kRefLev, "-30"},
                              {label::kScale, "10"},
                              {label::kSpan, "400.0 / 488.3"},
                              {label::kCFStep, "100 kHz"},
                              {label::kWheelStep, "1 kHz"},
                              {label::kFreq, " 14.150"},
                              {label::kFreqHz, "000"},
                              {label::kDate, "Tue 14-Nov-2023"},
                              {label::kTime, "22:13:20"},
                              {label::kFile, ""}})
        panel.SetText(name, text);
    panel.SetSlider(ControlId::VolumeSlider, -100);
    panel.SetSlider(ControlId::MainAvgSlider, 200);
    panel.SetSlider(ControlId::SecAvgSlider, 200);
    panel.SetSlider(ControlId::NoiseBlankerSlider, -120);
    binder.ApplyAll(panel);
    controls.Stations()->SetLines({"1200 1300 Deutsche Welle - Nauen  D 250 kW"});
    const QImage shown = test::Render(window);
    ASSERT_TRUE(shown.save(Artifacts() + "/window.png"));
    // Every control shows in the window exactly as it draws itself.
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisibleTo(&window)) continue;
        const QImage own = test::Render(*child);
        const QImage there = shown.copy(child->geometry());
        EXPECT_EQ(there, own) << child->metaObject()->className() << " at " << child->x() << ","
                              << child->y();
    }
}

}  // namespace
}  // namespace velorix
