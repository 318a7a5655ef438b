#include "ContactSheet.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <string>
#include <utility>
#include <vector>

#include "BitmapPanel.h"
#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinStyle.h"
#include "StationPanel.h"
#include "VerticalSlider.h"

namespace velorix::test {

namespace {

QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QMouseEvent event(type, at, w.mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}
void Press(QWidget& w, QPoint at) {
    Mouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
void Drag(QWidget& w, QPoint at) {
    Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}
void Release(QWidget& w, QPoint at) {
    Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

}  // namespace

QImage ContactSheet(const std::vector<ContactCell>& cells, int width) {
    QFont font = skin::TitleFont();
    font.setWeight(QFont::Normal);
    const QFontMetrics metrics(font);
    struct Placed {
        QPoint at;
        const ContactCell* cell;
        int scale;
        QString title;
    };
    std::vector<Placed> placed;
    int x = 10, y = 10, rowHeight = 0;
    for (const ContactCell& c : cells) {
        const int scale = c.image.width() < 60 ? 2 : 1;
        const QSize size = c.image.size() * scale + QSize(0, 16);
        const QString title = c.control + " " + c.state;
        const int w = std::max(size.width(), metrics.horizontalAdvance(title));
        if (x + w > width - 10) {
            x = 10;
            y += rowHeight + 12;
            rowHeight = 0;
        }
        placed.push_back({QPoint(x, y), &c, scale, title});
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
        p.drawText(pl.at.x(), pl.at.y() + img.height() * pl.scale + 13, pl.title);
    }
    return sheet;
}

namespace {

using K = ControlKind;

void AddButtonStates(std::vector<ContactCell>& cells, const std::string& base) {
    const skin::Skin& skin = skin::Skin::Shared();
    const QString name = QString::fromStdString(base);
    const char* states[] = {"up", "lit", "grey"};
    // The frame buttons are never disabled and have no grey face.
    const int count = skin.Has(base + "G") ? 3 : 2;
    for (int state = 0; state < count; ++state) {
        BitmapButton b(base, {}, ControlId::Play, nullptr);
        b.SetState(state == 1);
        b.SetEnabled(state != 2);
        cells.push_back({K::Button, name, states[state], states[state], Render(b)});
    }
}

void AddCheckStates(std::vector<ContactCell>& cells, K kind, const std::string& base,
                    const QString& caption) {
    const bool mode = base == "IDB_CHK49x25";
    const QFont font = mode ? skin::ModeFont() : skin::CaptionFont();
    const QColor colour = mode ? skin::kModeCaption : skin::kCaption;
    const char* names[] = {"UU", "UC", "DU", "DC", "off", "off,checked"};
    // Disabled, a box without a caption looks as an enabled one.
    const char* looks[] = {"UU",
                           "UC",
                           "DU",
                           "DC",
                           caption.isEmpty() ? "UU" : "off",
                           caption.isEmpty() ? "UC" : "off,checked"};
    for (int state = 0; state < 6; ++state) {
        BitmapCheckBox c(base, {}, caption, font, colour, ControlId::Delta, nullptr);
        c.SetChecked(state == 1 || state == 3 || state == 5);
        if (state == 2 || state == 3) Press(c, {5, 5});
        if (state >= 4) c.SetEnabled(false);
        cells.push_back(
            {kind, QString::fromStdString(base), names[state], looks[state], Render(c)});
    }
}

}  // namespace

std::vector<ContactCell> EveryControlInEveryState() {
    std::vector<ContactCell> cells;
    for (const char* base : {"ARROWU", "ARROWD", "ARROWL", "ARROWR", "STOP", "PLAY", "RECORD",
                             "IDB_LOGO", "IDB_MINIMIZE", "IDB_EXIT"})
        AddButtonStates(cells, base);
    for (const char* state : {"up", "pressed", "grey"}) {
        TextButton t("BTNDARK", {}, "CalClr", skin::CaptionFont(), skin::kCaption,
                     ControlId::CalClr, nullptr);
        if (QString(state) == "pressed") Press(t, {5, 5});
        t.SetEnabled(QString(state) != "grey");
        cells.push_back({K::TextButton, "BTNDARK", state, state, Render(t)});
    }
    AddCheckStates(cells, K::CheckBox, "SQUARE", "");
    AddCheckStates(cells, K::CheckBox, "IDB_CHKDARK", "20 dB");
    AddCheckStates(cells, K::CheckBox, "IDB_CHK49x25", "RTTY");
    for (const char* state : {"top", "middle", "bottom", "disabled"}) {
        VerticalSlider s("187", "188", {}, 334, nullptr);
        s.SetValueRange(-400, 0);
        s.SetValue(QString(state) == "middle" ? -200 : QString(state) == "bottom" ? -400 : 0);
        s.SetEnabled(QString(state) != "disabled");
        cells.push_back({K::Slider, "slider", state, state, Render(s)});
    }
    for (auto [text, name] : {std::pair{"-30", "RefLev"}, {"400.0 / 488.3", "Span"}}) {
        PanelLabel l("149", {}, skin::ValueLabelFont(), skin::kCaption, Qt::AlignRight, nullptr);
        l.SetText(text);
        cells.push_back({K::ValueLabel, "149", name, name, Render(l)});
    }
    for (auto [face, text] : {std::pair{"201", "Tue 14-Nov-2023"}, {"202", "22:13:20"}}) {
        PanelLabel l(face, {}, skin::StatusFont(), skin::kCaption, Qt::AlignLeft, nullptr);
        l.SetText(text);
        cells.push_back({K::StatusLabel, face, text, text, Render(l)});
    }
    for (long long hz : {14150000LL, 999999LL, -1500LL}) {
        FrequencyReadout r("189", {}, nullptr);
        r.SetFrequency(hz);
        const QString state = QString::number(hz) + " Hz";
        cells.push_back({K::Readout, "readout", state, state, Render(r)});
    }
    for (const char* state : {"empty", "position", "selection"}) {
        RecordingBar bar("204", {}, nullptr);
        bar.SetRange(0, QString(state) == "empty" ? 0 : 7900);
        bar.SetPosition(4000);
        if (QString(state) == "selection") {
            Press(bar, {205, 16});
            Drag(bar, {605, 16});
            Release(bar, {605, 16});
        }
        cells.push_back({K::RecordingBar, "recording bar", state, state, Render(bar)});
    }
    StationPanel panel("190", {}, nullptr);
    panel.SetLines({"0600 0800 Radio Habana Cuba - Quivican  CUB 250 kW",
                    "0700 0900 Voice of Turkey - Emirler  TUR 500 kW",
                    "0000 2400 Radio Taiwan Int. - Paochung  TWN 100 kW",
                    "0630 0700 China Radio Int. - Kashi  CHN 500 kW",
                    "0600 0700 BBC World Service - Woofferton  G 250 kW",
                    "0500 1000 Radio Romania - Tiganesti  ROU 300 kW"});
    cells.push_back({K::StationPanel, "station panel", "lines", "lines", Render(panel)});
    FrequencyKeypad keypad(nullptr);
    keypad.Field()->setText(QStringLiteral("7100.5"));
    cells.push_back({K::Readout, "keypad", "7100.5", "7100.5", Render(keypad)});
    return cells;
}

}  // namespace velorix::test
