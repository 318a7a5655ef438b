#include "SkinLayout.h"

#include "Skin.h"

namespace velorix::skin {

namespace {

using K = FaceKind;

void Add(std::vector<PlacedFace>& out, K kind, int id, const char* base, const char* caption, int x,
         int y) {
    out.push_back({kind, id, base, caption, x, y});
}

std::vector<PlacedFace> BuildLayout() {
    std::vector<PlacedFace> l;
    const char* dark = "IDB_CHKDARK";
    // Window frame.
    Add(l, K::Button, 148, "IDB_LOGO", "", 5, 4);
    Add(l, K::Button, 146, "IDB_MINIMIZE", "", 976, 3);
    Add(l, K::Button, 144, "IDB_EXIT", "", 1000, 3);
    // Front end.
    const char* att[] = {"Off", "10 dB", "20 dB", "30 dB"};
    for (int i = 0; i < 4; ++i)
        Add(l, K::CheckBox, 150 + i, dark, att[i], 5 + 40 * i, 47);
    Add(l, K::CheckBox, 176, dark, "Presel", 7, 93);
    Add(l, K::CheckBox, 166, dark, "Preamp", 47, 93);
    Add(l, K::CheckBox, 167, dark, "Dither", 87, 93);
    const char* rate[] = {"125", "250", "500"};
    for (int i = 0; i < 3; ++i)
        Add(l, K::CheckBox, 200 + i, dark, rate[i], 5 + 40 * i, 465);
    Add(l, K::TextButton, 191, "BTNDARK", "Cal", 85, 418);
    Add(l, K::TextButton, 192, "BTNDARK", "CalClr", 125, 418);
    // Value labels with their arrows.
    struct Value {
        const char* name;
        int y;
        int arrowY;
        int downId;
    };
    const Value values[] = {{"RefLev", 143, 145, 180},
                            {"Scale", 183, 185, 182},
                            {"Span", 284, 286, 184},
                            {"CFStep", 324, 327, 186},
                            {"WheelStep", 364, 366, 188}};
    for (const Value& v : values) {
        Add(l, K::ValueLabel, -1, "149", v.name, 5, v.y);
        Add(l, K::Button, v.downId, "ARROWD", "", 122, v.arrowY);
        Add(l, K::Button, v.downId + 1, "ARROWU", "", 145, v.arrowY);
    }
    // Tuning.
    Add(l, K::Readout, -1, "189", "Freq", 4, 226);
    Add(l, K::CheckBox, 190, dark, "Center", 5, 418);
    Add(l, K::Button, 260, "ARROWL", "", 178, 301);
    Add(l, K::Button, 261, "ARROWR", "", 973, 301);
    Add(l, K::Button, 270, "ARROWL", "", 220, 540);
    Add(l, K::Button, 271, "ARROWR", "", 403, 540);
    // Demodulator.
    const char* modes[] = {"AM", "SAM", "CW", "RTTY", "USB", "LSB", "FM", "DRM", "USER"};
    for (int i = 0; i < 9; ++i)
        Add(l, K::CheckBox, 340 + i, "IDB_CHK49x25", modes[i], 181 + 50 * i, 332);
    const char* filters[] = {"25 kHz", "12 kHz", " 6 kHz", " 3 kHz", "1.6kHz", "0.8kHz"};
    for (int i = 0; i < 6; ++i)
        Add(l, K::CheckBox, 220 + i, dark, filters[i], 179, 402 + 22 * i);
    const char* agc[] = {"Fast", "Med", "Slow", "Off"};
    for (int i = 0; i < 4; ++i)
        Add(l, K::CheckBox, 240 + i, dark, agc[i], 545, 473 + 22 * i);
    // The five squares with their sliders.
    struct Pair {
        int squareId;
        int squareX;
        int sliderId;
    };
    const Pair pairs[] = {
        {280, 437, 330}, {290, 467, 331}, {300, 507, 332}, {310, 960, 333}, {320, 992, 334}};
    for (const Pair& p : pairs) {
        Add(l, K::CheckBox, p.squareId, "SQUARE", "", p.squareX, 396);
        Add(l, K::Slider, p.sliderId, "187", "", p.squareX + 1, 416);
    }
    // Displays and meter.
    Add(l, K::Button, 262, "ARROWU", "", 998, 30);
    Add(l, K::Button, 263, "ARROWD", "", 998, 279);
    Add(l, K::CheckBox, 360, dark, "Spect", 203, 301);
    Add(l, K::CheckBox, 361, dark, "WFall", 243, 301);
    const char* sec[] = {"Tune", "PBT", "Notch"};
    for (int i = 0; i < 3; ++i)
        Add(l, K::CheckBox, 370 + i, dark, sec[i], 243 + 40 * i, 540);
    Add(l, K::TextButton, 230, "BTNDARK", "Clr", 545, 386);
    Add(l, K::CheckBox, 231, dark, "Delta", 545, 408);
    Add(l, K::CheckBox, 232, dark, "Peak", 545, 430);
    Add(l, K::CheckBox, 251, dark, "Rms", 907, 391);
    Add(l, K::CheckBox, 252, dark, "Peak", 907, 413);
    // Source, recording and status.
    Add(l, K::CheckBox, 210, dark, "Velorix", 5, 512);
    Add(l, K::CheckBox, 211, dark, "Wav", 45, 512);
    Add(l, K::TextButton, 212, "BTNDARK", "File..", 125, 512);
    Add(l, K::Button, 390, "STOP", "", 6, 588);
    Add(l, K::Button, 392, "PLAY", "", 48, 588);
    Add(l, K::Button, 393, "RECORD", "", 90, 588);
    Add(l, K::StatusLabel, -1, "201", "Date", 31, 566);
    Add(l, K::StatusLabel, -1, "202", "Time", 176, 566);
    Add(l, K::StatusLabel, -1, "203", "File", 284, 566);
    Add(l, K::RecordingBar, -1, "204", "RecBar", 175, 587);
    // Station lists.
    const char* lists[] = {"HFCC", "EIBI", "User"};
    for (int i = 0; i < 3; ++i)
        Add(l, K::CheckBox, 400 + i, dark, lists[i], 597 + 41 * i, 540);
    Add(l, K::StationPanel, -1, "190", "Mem", 597, 457);
    return l;
}

std::string Describe(const PlacedFace& p) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on `"literal" + temporary`.
    std::string s = p.base;
    if (!p.caption.empty()) s.append(" \"").append(p.caption).append("\"");
    if (p.id >= 0) s.append(" ").append(std::to_string(p.id));
    s.append(" at ").append(std::to_string(p.x)).append(",").append(std::to_string(p.y));
    return s;
}

}  // namespace

const std::vector<PlacedFace>& WindowLayout() {
    static const std::vector<PlacedFace> layout = BuildLayout();
    return layout;
}

std::string FirstFace(const PlacedFace& placed) {
    switch (placed.kind) {
        case FaceKind::Button:
        case FaceKind::TextButton:
            return placed.base + "U";
        case FaceKind::CheckBox:
            return placed.base + "UU";
        default:
            return placed.base;
    }
}

QRect FaceRect(const Skin& skin, const PlacedFace& placed) {
    return QRect(QPoint(placed.x, placed.y), skin.Size(FirstFace(placed)));
}

std::vector<std::string> Overlaps(const Skin& skin, const std::vector<PlacedFace>& layout) {
    std::vector<std::string> found;
    std::vector<QRect> rects;
    const QRect window(0, 0, 1024, 620);
    for (const PlacedFace& p : layout) {
        rects.push_back(FaceRect(skin, p));
        if (!window.contains(rects.back())) found.push_back(Describe(p) + " and the window's edge");
    }
    for (std::size_t i = 0; i < layout.size(); ++i)
        for (std::size_t j = i + 1; j < layout.size(); ++j)
            if (rects[i].intersects(rects[j]))
                found.push_back(Describe(layout[i]) + " and " + Describe(layout[j]));
    return found;
}

}  // namespace velorix::skin
