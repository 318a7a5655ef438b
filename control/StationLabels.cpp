#include "StationLabels.h"

#include <algorithm>
#include <array>
#include <climits>

namespace velorix {

namespace {

// The first entry of a chain on the air, or null.
const ScheduleEntry* OnAir(const FrequencyEntry& entry, int nowHhmm, char weekday) {
    for (const ScheduleEntry* e = entry.first; e != nullptr; e = e->Next())
        if (e->IsOnAir(nowHhmm, weekday)) return e;
    return nullptr;
}

}  // namespace

std::vector<StationLabel> LayoutStationLabels(const ScheduleList* list,
                                              const DisplayGeometry& geometry, int nowHhmm,
                                              char weekday, const LabelWidth& width) {
    std::vector<StationLabel> labels;
    if (list == nullptr || geometry.Bins() < 2) return labels;
    const int plotWidth = geometry.Width();
    // Only where the trace is drawn: no names beyond the band the rate covers.
    const int firstX = std::max(0, geometry.BinToPixel(geometry.FirstDrawnBin()));
    const int lastX = std::min(plotWidth - 1, geometry.BinToPixel(geometry.LastDrawnBin()));
    std::array<int, kStationLabelRows> rowEnds;
    rowEnds.fill(INT_MIN / 2);
    for (int i = 1; i <= list->Count(); ++i) {
        const FrequencyEntry& entry = list->Entry(i);
        const int x = geometry.KHzToPixel(entry.kHz);
        if (x < firstX || x > lastX) continue;
        const ScheduleEntry* onAir = OnAir(entry, nowHhmm, weekday);
        if (onAir == nullptr) continue;
        StationLabel label{.x = x, .text = onAir->Name(*list)};
        if (label.text.empty()) continue;
        label.width = std::min(width(label.text), plotWidth);
        label.left = std::clamp(x - label.width / 2, 0, plotWidth - label.width);
        label.row = -1;
        for (int row = 0; row < kStationLabelRows; ++row) {
            if (label.left < rowEnds[row] + kStationLabelGapPx) continue;
            label.row = row;
            rowEnds[row] = label.left + label.width;
            break;
        }
        labels.push_back(std::move(label));
    }
    return labels;
}

}  // namespace velorix
