#pragma once

#include <string>
#include <vector>

#include "DisplayGeometry.h"

namespace velorix {

// The two spectrum displays of the window.
enum class DisplayId { Main, Secondary };

// The plots' sizes in pixels: the main display's as the headless receiver
// draws it too, the secondary display's over its 20-pixel scale.
inline constexpr int kMainPlotWidth = 820;
inline constexpr int kMainPlotHeight = 249;
inline constexpr int kSecondaryPlotWidth = 204;
inline constexpr int kSecondaryPlotHeight = 125;

// A station's name over the main spectrum: the station's column, and the
// label's box, pixels from the plot's left edge, in one of the label rows
// at the top of the plot (0 the topmost).
struct StationLabel {
    int x = 0;
    int left = 0;
    int width = 0;
    int row = 0;
    std::string text;

    bool operator==(const StationLabel&) const = default;
};

// Everything one spectrum display shows, as the controller decides it: the
// one place a display learns what to draw. The controller is its only
// writer; a display gets each new state as an immutable snapshot, and its
// renderer draws with it on the display thread while its widgets paint the
// pointer's marks over the picture.
struct DisplayState {
    // Bins, rate, centre and the scrolled window, and the scale under the
    // plot: kHz on the main display, Hz around the carrier offset on the
    // secondary one. The vertical grid follows the scale's major ticks.
    DisplayGeometry geometry{kMainPlotWidth, kMainPlotHeight};
    // The level at the top of the plot, dBm; 15 divisions of dbPerDivision.
    int refLevelDb = -30;
    int dbPerDivision = 10;
    // What a measured level is raised by: LevelCalibrationDb of the settings.
    double levelOffsetDb = 0.0;
    // 0 spectrum, 1 waterfall (which shows the band only under the pointer).
    int function = 0;
    // The tuned line (not drawn at x 0) and the passband band, pixels.
    int tunedX = 0;
    PassbandPixels band{};
    // Offset tuning: the tuned frequency moves inside the band (a drag on
    // the main display's band moves it). False in "Center" tuning, where the
    // centre follows the tuned frequency.
    bool offsetTuning = true;
    // The passband's edges as fractions of the band-pass filter's rate (the
    // secondary display, whose drags and wheel move them).
    double edgeLow = 0.0;
    double edgeHigh = 0.0;
    // The spectrum estimator's averaging factor, 0 (off) … < 1.
    double averaging = 0.0;
    // The main display's markers: pixel columns, and whether markers 2 to 4
    // read relative to marker 1.
    std::vector<int> markerXs{};
    bool deltaMarkers = false;
    // The names of the stations on the air in view (main display, spectrum
    // function only), placed so that no two boxes meet.
    std::vector<StationLabel> stationLabels{};
    // Counts that move when the trace is to be cleared (a new source) and
    // when the waterfall is (the waterfall chosen again).
    unsigned traceClears = 0;
    unsigned waterfallClears = 0;

    bool operator==(const DisplayState&) const = default;
};

}  // namespace velorix
