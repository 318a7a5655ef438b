#pragma once

#include <functional>
#include <string>
#include <vector>

#include "DisplayState.h"
#include "ScheduleList.h"

namespace velorix {

// How wide a label's box is for a text, pixels (the text with its margins).
using LabelWidth = std::function<int(const std::string& text)>;

// Rows of station labels at the top of the main display.
inline constexpr int kStationLabelRows = 3;
// The smallest gap between two labels of one row, pixels.
inline constexpr int kStationLabelGapPx = 6;

// The labels for the stations of `list` on the air at `nowHhmm` on `weekday`
// (the station panel's rules) whose frequencies lie on the drawn part of
// `geometry`, in frequency order; a frequency with several entries on the air
// is named by the first of its chain, as the panel's top line. Each box is
// centred on its station, held inside the plot, and put in the first row
// where it keeps the gap to the boxes before it; one that finds no row has
// row -1 (thinned out). No list gives no labels.
std::vector<StationLabel> LayoutStationLabels(const ScheduleList* list,
                                              const DisplayGeometry& geometry, int nowHhmm,
                                              char weekday, const LabelWidth& width);

}  // namespace velorix
