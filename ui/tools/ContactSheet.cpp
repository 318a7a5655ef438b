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

namespace velorix {

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
        BitmapButton b(base, {}, ControlId::Play, nullptr);
        b.SetState(state == 1);
        b.SetEnabled(state != 2 || !skin.Has(base + "G") ? true : false);
        if (state == 2 && !skin.Has(base + "G")) continue;
        cells.push_back({QString::fromStdString(base) + (state == 0   ? " up"
                                                         : state == 1 ? " lit"
                                                                      : " grey"),
                         Render(b)});
    }
}

void AddCheckStates(std::vector<Cell>& cells, const std::string& base, const QString& caption) {
    const bool mode = base == "IDB_CHK49x25";
    const QFont font = mode ? skin::ModeFont() : skin::CaptionFont();
    const QColor colour = mode ? skin::kModeCaption : skin::kCaption;
    const char* names[] = {"UU", "UC", "DU", "DC", "off", "off,checked"};
    for (int state = 0; state < 6; ++state) {
        BitmapCheckBox c(base, {}, caption, font, colour, ControlId::Delta, nullptr);
        c.SetChecked(state == 1 || state == 3 || state == 5);
        if (state == 2 || state == 3) Press(c, {5, 5});
        if (state >= 4) c.SetEnabled(false);
        cells.push_back({QString::fromStdString(base) + " " + names[state], Render(c)});
    }
}

std::vector<Cell> EveryControlInEveryState() {
    std::vector<Cell> cells;
    for (const char* base : {"ARROWU", "ARROWD", "ARROWL", "ARROWR", "STOP", "PLAY", "RECORD",
                             "IDB_LOGO", "IDB_MINIMIZE", "IDB_EXIT"})
        AddButtonStates(cells, base);
    for (int state = 0; state < 3; ++state) {
        TextButton t("BTNDARK", {}, "CalClr", skin::CaptionFont(), skin::kCaption,
                     ControlId::CalClr, nullptr);
        if (state == 1) Press(t, {5, 5});
        t.SetEnabled(state != 2);
        cells.push_back({state == 0 ? "BTNDARK up" : state == 1 ? "pressed" : "grey", Render(t)});
    }
    AddCheckStates(cells, "SQUARE", "");
    AddCheckStates(cells, "IDB_CHKDARK", "20 dB");
    AddCheckStates(cells, "IDB_CHK49x25", "RTTY");
    for (int state = 0; state < 4; ++state) {
        VerticalSlider s("187", "188", {}, 334, nullptr);
        s.SetValueRange(-400, 0);
        s.SetValue(state == 0 ? 0 : state == 1 ? -200 : -400);
        s.SetEnabled(state != 3);
        cells.push_back({state == 0   ? "slider top"
                         : state == 1 ? "middle"
                         : state == 2 ? "bottom"
                                      : "disabled",
                         Render(s)});
    }
    for (auto [text, name] : {std::pair{"-30", "RefLev"}, {"400.0 / 488.3", "Span"}}) {
        PanelLabel l("149", {}, skin::ValueLabelFont(), skin::kCaption, Qt::AlignRight, nullptr);
        l.SetText(text);
        cells.push_back({name, Render(l)});
    }
    for (auto [face, text] : {std::pair{"201", "Tue 14-Nov-2023"}, {"202", "22:13:20"}}) {
        PanelLabel l(face, {}, skin::StatusFont(), skin::kCaption, Qt::AlignLeft, nullptr);
        l.SetText(text);
        cells.push_back({face, Render(l)});
    }
    for (long long hz : {14150000LL, 999999LL, -1500LL}) {
        FrequencyReadout r("189", {}, nullptr);
        r.SetFrequency(hz);
        cells.push_back({QString::number(hz) + " Hz", Render(r)});
    }
    for (int state = 0; state < 3; ++state) {
        RecordingBar bar("204", {}, nullptr);
        bar.SetRange(0, state == 0 ? 0 : 7900);
        bar.SetPosition(4000);
        if (state == 2) {
            Press(bar, {205, 16});
            Drag(bar, {605, 16});
            Release(bar, {605, 16});
        }
        cells.push_back({state == 0   ? "recording bar, empty"
                         : state == 1 ? "position"
                                      : "selection",
                         Render(bar)});
    }
    StationPanel panel("190", {}, nullptr);
    panel.SetLines({"0600 0800 Radio Habana Cuba - Quivican  CUB 250 kW",
                    "0700 0900 Voice of Turkey - Emirler  TUR 500 kW",
                    "0000 2400 Radio Taiwan Int. - Paochung  TWN 100 kW",
                    "0630 0700 China Radio Int. - Kashi  CHN 500 kW",
                    "0600 0700 BBC World Service - Woofferton  G 250 kW",
                    "0500 1000 Radio Romania - Tiganesti  ROU 300 kW"});
    cells.push_back({"station panel", Render(panel)});
    FrequencyKeypad keypad(nullptr);
    keypad.Field()->setText(QStringLiteral("7100.5"));
    cells.push_back({"keypad", Render(keypad)});
    return cells;
}

}  // namespace

QImage ContactSheet(int width) {
    return Sheet(EveryControlInEveryState(), width);
}

}  // namespace velorix
