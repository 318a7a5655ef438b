// Draws every control in every state onto one contact sheet, and the whole
// window with every control, into the build's artifacts folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontMetrics>
#include <QPainter>

#include "BitmapPanel.h"
#include "ControlBinder.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinStyle.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "UiTest.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

struct Cell {
    QString title;
    QImage image;
};

// Cells in rows of at most `width` pixels, small controls shown twice as large.
QImage Sheet(const std::vector<Cell>& cells, int width) {
    QFont font = skin::TitleFont();
    font.setWeight(QFont::Normal);
    const QFontMetrics metrics(font);
    struct Placed {
        QPoint at;
        const Cell* cell;
        int scale;
    };
    std::vector<Placed> placed;
    int x = 10, y = 10, rowHeight = 0;
    for (const Cell& c : cells) {
        const int scale = c.image.width() < 60 ? 2 : 1;
        const QSize size = c.image.size() * scale + QSize(0, 16);
        const int w = std::max(size.width(), metrics.horizontalAdvance(c.title));
        if (x + w > width - 10) {
            x = 10;
            y += rowHeight + 12;
            rowHeight = 0;
        }
        placed.push_back({QPoint(x, y), &c, scale});
        x += w + 12;
        rowHeight = std::max(rowHeight, size.height());
    }
    QImage sheet(width, y + rowHeight + 10, QImage::Format_RGB32);
    sheet.fill(QColor(58, 60, 64));
    QPainter p(&sheet);
    p.setFont(font);
    p.setPen(QColor(220, 220, 214));
    for (const Placed& pl : placed) {
        const QImage& img = pl.cell->image;
        p.drawImage(QRect(pl.at, img.size() * pl.scale), img);
        p.drawText(pl.at.x(), pl.at.y() + img.height() * pl.scale + 13, pl.cell->title);
    }
    return sheet;
}

void AddButtonStates(std::vector<Cell>& cells, const std::string& base) {
    const skin::Skin& skin = skin::Skin::Shared();
    for (int state = 0; state < 3; ++state) {
        BitmapButton b(skin, base, {}, ControlId::Play, nullptr);
        b.SetState(state == 1);
        b.SetEnabled(state != 2 || !skin.Has(base + "G") ? true : false);
        if (state == 2 && !skin.Has(base + "G")) continue;
        cells.push_back({QString::fromStdString(base) + (state == 0   ? " up"
                                                         : state == 1 ? " lit"
                                                                      : " grey"),
                         test::Render(b)});
    }
}

void AddCheckStates(std::vector<Cell>& cells, const std::string& base, const QString& caption) {
    const bool mode = base == "IDB_CHK49x25";
    const QFont font = mode ? skin::ModeFont() : skin::CaptionFont();
    const QColor colour = mode ? skin::kModeCaption : skin::kCaption;
    const char* names[] = {"UU", "UC", "DU", "DC", "off", "off,checked"};
    for (int state = 0; state < 6; ++state) {
        BitmapCheckBox c(skin::Skin::Shared(), base, {}, caption, font, colour, ControlId::Delta,
                         nullptr);
        c.SetChecked(state == 1 || state == 3 || state == 5);
        if (state == 2 || state == 3) test::Press(c, {5, 5});
        if (state >= 4) c.SetEnabled(false);
        cells.push_back({QString::fromStdString(base) + " " + names[state], test::Render(c)});
    }
}

std::vector<Cell> EveryControlInEveryState() {
    const skin::Skin& skin = skin::Skin::Shared();
    std::vector<Cell> cells;
    for (const char* base : {"ARROWU", "ARROWD", "ARROWL", "ARROWR", "STOP", "PLAY", "RECORD",
                             "IDB_LOGO", "IDB_MINIMIZE", "IDB_EXIT"})
        AddButtonStates(cells, base);
    for (int state = 0; state < 3; ++state) {
        TextButton t(skin, "BTNDARK", {}, "CalClr", skin::CaptionFont(), skin::kCaption,
                     ControlId::CalClr, nullptr);
        if (state == 1) test::Press(t, {5, 5});
        t.SetEnabled(state != 2);
        cells.push_back({state == 0   ? "BTNDARK up"
                         : state == 1 ? "pressed"
                                      : "grey",
                         test::Render(t)});
    }
    AddCheckStates(cells, "SQUARE", "");
    AddCheckStates(cells, "IDB_CHKDARK", "20 dB");
    AddCheckStates(cells, "IDB_CHK49x25", "RTTY");
    for (int state = 0; state < 4; ++state) {
        VerticalSlider s(skin.Face("187"), skin.Face("188"), {}, 334, nullptr);
        s.SetValueRange(-400, 0);
        s.SetValue(state == 0 ? 0 : state == 1 ? -200 : -400);
        s.SetEnabled(state != 3);
        cells.push_back({state == 0   ? "slider top"
                         : state == 1 ? "middle"
                         : state == 2 ? "bottom"
                                      : "disabled",
                         test::Render(s)});
    }
    for (auto [text, name] : {std::pair{"-30", "RefLev"}, {"400.0 / 488.3", "Span"}}) {
        PanelLabel l(skin.Face("149"), {}, skin::ValueLabelFont(), skin::kCaption, Qt::AlignRight,
                     nullptr);
        l.SetText(text);
        cells.push_back({name, test::Render(l)});
    }
    for (auto [face, text] : {std::pair{"201", "Tue 14-Nov-2023"}, {"202", "22:13:20"}}) {
        PanelLabel l(skin.Face(face), {}, skin::StatusFont(), skin::kCaption, Qt::AlignLeft,
                     nullptr);
        l.SetText(text);
        cells.push_back({face, test::Render(l)});
    }
    for (long long hz : {14150000LL, 999999LL, -1500LL}) {
        FrequencyReadout r(skin.Face("189"), {}, nullptr);
        r.SetFrequency(hz);
        cells.push_back({QString::number(hz) + " Hz", test::Render(r)});
    }
    for (int state = 0; state < 3; ++state) {
        RecordingBar bar(skin.Face("204"), {}, nullptr);
        bar.SetRange(0, state == 0 ? 0 : 7900);
        bar.SetPosition(4000);
        if (state == 2) {
            test::Press(bar, {205, 16});
            test::Drag(bar, {605, 16});
            test::Release(bar, {605, 16});
        }
        cells.push_back({state == 0   ? "recording bar, empty"
                         : state == 1 ? "position"
                                      : "selection",
                         test::Render(bar)});
    }
    StationPanel panel(skin.Face("190"), {}, nullptr);
    panel.SetLines({"0600 0800 Radio Habana Cuba - Quivican  CUB 250 kW",
                    "0700 0900 Voice of Turkey - Emirler  TUR 500 kW",
                    "0000 2400 Radio Taiwan Int. - Paochung  TWN 100 kW",
                    "0630 0700 China Radio Int. - Kashi  CHN 500 kW",
                    "0600 0700 BBC World Service - Woofferton  G 250 kW",
                    "0500 1000 Radio Romania - Tiganesti  ROU 300 kW"});
    cells.push_back({"station panel", test::Render(panel)});
    return cells;
}

QString Artifacts() {
    const QString dir = QStringLiteral(VELORIX_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    return dir;
}

TEST(ContactSheet, EveryControlInEveryState) {
    const std::vector<Cell> cells = EveryControlInEveryState();
    const QImage sheet = Sheet(cells, 1024);
    ASSERT_TRUE(sheet.save(Artifacts() + "/controls.png"));
    EXPECT_EQ(cells.size(), 3u * 7 + 2 * 3 + 3 + 3 * 6 + 4 + 2 + 2 + 3 + 3 + 1);
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
