#pragma once

#include "ControllerContext.h"
#include "SecondaryDisplayModel.h"
#include "StationLabels.h"

namespace velorix {

// The display and meter controls (reference level and scale, span, the
// display functions and the main display's feed pace, markers, meter mode
// and averaging) and the two displays' states: the controller decides every
// pixel a display draws from here.
class DisplaysPart {
public:
    explicit DisplaysPart(ControllerContext& context);

    // --- Display and meter controls ----------------------------------------
    // RefLevel one division down / up (arrows 180 / 181), within -150 … +20 dBm.
    Outcome StepRefLevel(bool up);
    // RefScaleIdx - 1 / + 1 (arrows 182 / 183).
    Outcome StepScale(bool up);
    // MainFFTIdx - 1 / + 1 (arrows 184 / 185); the main feed's skip limit is
    // halved for the larger FFT and doubled for the smaller one.
    Outcome StepSpan(bool up);
    // The arrows at the display's right edge: `up` is 262, else 263. Spectrum:
    // RefLevel down / up one division, within the same limits as 180 / 181.
    // Waterfall: the feed's skip limit, so the waterfall runs faster / slower.
    Outcome StepEdge(bool up);
    // "Spect" (0) / "WFall" (1).
    Outcome SelectDisplayFunction(int function);
    // "Tune" (0) / "PBT" (1) / "Notch" (2); the secondary display reads the key.
    Outcome SelectSecDisplayFunction(int function);
    Outcome ClearMarkers();  // "Clr"
    Outcome ToggleDelta();   // "Delta"
    // "Rms" (0) / "Peak" (1): which AGC level the meter shows.
    Outcome SelectSMeterMode(int mode);
    // Averaging squares 280 / 290 and sliders 330 / 331 (0 … 800).
    Outcome ToggleAveraging(DisplayId display);
    Outcome SetAvgVal(DisplayId display, int value);

    // --- Steps the other parts take ----------------------------------------
    // The main display re-centred on a new centre frequency.
    void CentreChanged();
    // Both displays again for a new rate or FFT size.
    void Reconfigure();
    // The main display's slide bar may scroll freely.
    void SetFreeScroll(bool on);
    // Both traces cleared (a new source).
    void ClearTraces();
    void SetEdges(double lower, double upper) { secondary_.SetEdges(lower, upper); }
    // The secondary display's frequency at a pixel, Hz from the tuned one.
    double SecondaryClickHz(int x) const { return secondary_.ClickHz(x); }
    void RefreshSpan();
    void RefreshRefLevel();
    void RefreshScale();
    void ApplyDisplayFunction(int function);
    void ApplySecDisplayFunction(int function);
    void ApplySMeterMode(int mode);
    void ApplyAveraging(DisplayId display, bool on);
    void ApplyAvgVal(DisplayId display, int value);
    // How wide the station labels are, as the display draws them; until
    // set, an estimate of 6 pixels a character.
    void SetLabelWidth(LabelWidth width) { labelWidth_ = std::move(width); }
    // Both displays' states from the settings, the engine's band-pass rate
    // and carrier offset and this part's own state (after every operation).
    void Refresh();

private:
    bool MoveRefLevel(bool up);  // false beyond the limits
    double RateKHz() const;
    // The main display's station labels: the chosen list at the station
    // panel's clock, in the spectrum function, unless the setting is off.
    std::vector<StationLabel> MainStationLabels() const;

    ControllerContext& c_;
    LabelWidth labelWidth_;
    // The passband's edges with the band-pass rate and carrier offset.
    SecondaryDisplayModel secondary_;
};

}  // namespace velorix
