#include "DisplaysPart.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "DisplayTables.h"

namespace velorix {

namespace {

// Skip limits the arrows move between: enough to slow a waterfall to a crawl.
constexpr int kMaxSkipLimit = 1 << 16;
// The slowest waterfall pace the slower arrow reaches.
constexpr int kSlowestPace = 100;

ControlId AveragingSquare(DisplayId d) {
    return d == DisplayId::Main ? ControlId::MainAvg : ControlId::SecAvg;
}

ControlId AveragingSlider(DisplayId d) {
    return d == DisplayId::Main ? ControlId::MainAvgSlider : ControlId::SecAvgSlider;
}

}  // namespace

DisplaysPart::DisplaysPart(ControllerContext& context)
    : c_(context),
      labelWidth_([](const std::string& text) { return 6 * static_cast<int>(text.size()) + 4; }),
      secondary_(kSecondaryPlotWidth) {}

double DisplaysPart::RateKHz() const {
    const int idx = c_.settings.DdcSamplingRateIdx;
    return idx >= 0 && idx < kRateCount ? kOutputRatesKHz[static_cast<size_t>(idx)] : 500.0;
}

void DisplaysPart::CentreChanged() {
    DisplayState& m = c_.mainDisplay;
    const double centreKHz = c_.settings.CenterFreq / 1000.0;
    m.geometry.OnCentreChanged(centreKHz);
    // In "Center" tuning the tuned line stays at the centre.
    if (c_.settings.TuneMode == 1) m.tunedX = m.geometry.KHzToPixel(centreKHz);
}

void DisplaysPart::Reconfigure() {
    DisplayState& m = c_.mainDisplay;
    const double centreKHz = c_.settings.CenterFreq / 1000.0;
    m.geometry.Reconfigure(MainFFTSize(c_.settings.MainFFTIdx), RateKHz(), centreKHz);
    m.tunedX = m.geometry.KHzToPixel(centreKHz);
}

void DisplaysPart::SetFreeScroll(bool on) {
    c_.mainDisplay.geometry.SetFreeScroll(on);
    Reconfigure();
}

void DisplaysPart::ClearTraces() {
    ++c_.mainDisplay.traceClears;
    ++c_.secondaryDisplay.traceClears;
}

void DisplaysPart::Refresh() {
    const SettingsRecord& s = c_.settings;
    for (DisplayState* d : {&c_.mainDisplay, &c_.secondaryDisplay}) {
        d->refLevelDb = s.RefLevel;
        d->dbPerDivision = DbPerDivision(s.RefScaleIdx);
        d->levelOffsetDb = LevelCalibrationDb(s);
        d->offsetTuning = s.TuneMode == 0;
    }
    DisplayState& m = c_.mainDisplay;
    DisplayState& sec = c_.secondaryDisplay;
    m.function = std::clamp(s.DispFnIdx, 0, 1);
    m.averaging = c_.panel.Checked(ControlId::MainAvg) ? AveragingFactor(s.MainAvgVal) : 0.0;
    sec.averaging = c_.panel.Checked(ControlId::SecAvg) ? AveragingFactor(s.SecAvgVal) : 0.0;
    m.deltaMarkers = c_.panel.Checked(ControlId::Delta);

    // The secondary display: 256 bins at the band-pass filter's rate, on a
    // Hz scale centred on the mode's carrier offset; the tuned frequency is
    // 0 Hz there.
    secondary_.Configure(c_.engine.BandPassRateKHz(), c_.engine.CarrierOffsetHz());
    sec.geometry.Reconfigure(SecondaryDisplayModel::kBins,
                             secondary_.HzPerBin() * SecondaryDisplayModel::kBins,
                             secondary_.CarrierOffsetHz());
    sec.tunedX = sec.geometry.KHzToPixel(0.0);
    sec.band = secondary_.BandPixels();
    sec.edgeLow = secondary_.Low();
    sec.edgeHigh = secondary_.High();

    // The main display's band around the tuned frequency; its tuned line
    // follows the tuned frequency in offset tuning.
    double lowKHz = 0.0, highKHz = 0.0;
    secondary_.EdgesKHz(lowKHz, highKHz);
    const double tunedKHz = s.TunedHz() / 1000.0;
    if (s.TuneMode == 0) m.tunedX = m.geometry.KHzToPixel(tunedKHz);
    m.band = m.geometry.BandPixels(tunedKHz, lowKHz, highKHz, m.tunedX);
    m.stationLabels = MainStationLabels();
}

std::vector<StationLabel> DisplaysPart::MainStationLabels() const {
    const DisplayState& m = c_.mainDisplay;
    if (c_.settings.StationNames == 0 || m.function != 0) return {};
    const StationPanelState& panel = c_.stationPanel;
    std::vector<StationLabel> labels = LayoutStationLabels(
        panel.List(), m.geometry, panel.NowHhmm(), panel.Weekday(), labelWidth_);
    std::erase_if(labels, [](const StationLabel& l) { return l.row < 0; });
    return labels;
}

void DisplaysPart::RefreshSpan() {
    const int idx = std::clamp(c_.settings.MainFFTIdx, 0, 6);
    c_.settings.MainFFTIdx = idx;
    c_.panel.SetText(label::kSpan, SpanText(c_.settings.DdcSamplingRateIdx, idx));
    c_.panel.Enable(ControlId::SpanDown, idx > 0);
    c_.panel.Enable(ControlId::SpanUp, idx < 6);
    Reconfigure();
}

void DisplaysPart::RefreshRefLevel() {
    const int step = DbPerDivision(c_.settings.RefScaleIdx);
    c_.settings.RefLevel = std::clamp(c_.settings.RefLevel, kRefLevelMinDb, kRefLevelMaxDb);
    c_.panel.SetText(label::kRefLev, std::to_string(c_.settings.RefLevel));
    c_.panel.Enable(ControlId::RefLevDown, c_.settings.RefLevel - step >= kRefLevelMinDb);
    c_.panel.Enable(ControlId::RefLevUp, c_.settings.RefLevel + step <= kRefLevelMaxDb);
}

void DisplaysPart::RefreshScale() {
    const int idx = std::clamp(c_.settings.RefScaleIdx, 0, 4);
    c_.settings.RefScaleIdx = idx;
    c_.panel.SetText(label::kScale, std::to_string(DbPerDivision(idx)));
    c_.panel.Enable(ControlId::ScaleDown, idx > 0);
    c_.panel.Enable(ControlId::ScaleUp, idx < 4);
    // The step of the RefLev arrows is one division.
    RefreshRefLevel();
}

bool DisplaysPart::MoveRefLevel(bool up) {
    if (!c_.panel.Enabled(up ? ControlId::RefLevUp : ControlId::RefLevDown)) return false;
    const int step = DbPerDivision(c_.settings.RefScaleIdx);
    c_.settings.RefLevel += up ? step : -step;
    RefreshRefLevel();
    return true;
}

void DisplaysPart::ApplyDisplayFunction(int function) {
    function = std::clamp(function, 0, 1);
    c_.settings.DispFnIdx = function;
    c_.panel.CheckRadio(ControlId::DispSpect, 2, function);
    // The waterfall starts empty each time it is chosen.
    ++c_.mainDisplay.waterfallClears;
    if (!c_.feed) return;
    // The waterfall paces itself to what the display can paint; the
    // spectrum takes every block.
    c_.feed->SetMainAutoThrottle(function == 1);
    if (function == 0) c_.feed->SetMainSkipLimit(0);
}

void DisplaysPart::ApplySecDisplayFunction(int function) {
    function = std::clamp(function, 0, 2);
    c_.settings.SecDispFnIdx = function;
    c_.panel.CheckRadio(ControlId::SecTune, 3, function);
}

void DisplaysPart::ApplySMeterMode(int mode) {
    mode = std::clamp(mode, 0, 1);
    c_.settings.SmtrMode = mode;
    c_.panel.CheckRadio(ControlId::SmtrRms, 2, mode);
}

void DisplaysPart::ApplyAveraging(DisplayId display, bool on) {
    c_.panel.Check(AveragingSquare(display), on);
    c_.panel.Enable(AveragingSlider(display), on);
}

void DisplaysPart::ApplyAvgVal(DisplayId display, int value) {
    // The slider is disabled while averaging is off; a value set then waits
    // for the square.
    value = std::clamp(value, 0, 800);
    (display == DisplayId::Main ? c_.settings.MainAvgVal : c_.settings.SecAvgVal) = value;
    c_.panel.SetSlider(AveragingSlider(display), value);
}

Outcome DisplaysPart::StepRefLevel(bool up) {
    return c_.Run([&](Outcome& o) { o.accepted = MoveRefLevel(up); });
}

Outcome DisplaysPart::StepScale(bool up) {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(up ? ControlId::ScaleUp : ControlId::ScaleDown)) {
            o.accepted = false;
            return;
        }
        c_.settings.RefScaleIdx += up ? 1 : -1;
        RefreshScale();
    });
}

Outcome DisplaysPart::StepSpan(bool up) {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(up ? ControlId::SpanUp : ControlId::SpanDown)) {
            o.accepted = false;
            return;
        }
        // A larger FFT takes longer blocks: drop fewer of them, and more for
        // a smaller one, so the picture keeps its pace.
        if (c_.feed) {
            const int n = c_.feed->GetMainSkipLimit();
            c_.feed->SetMainSkipLimit(up ? std::min(n * 2, kMaxSkipLimit) : n / 2);
        }
        c_.settings.MainFFTIdx += up ? 1 : -1;
        RefreshSpan();
    });
}

Outcome DisplaysPart::StepEdge(bool up) {
    return c_.Run([&](Outcome& o) {
        if (c_.settings.DispFnIdx == 0) {
            // The upper arrow lowers the reference level: the trace rises.
            o.accepted = MoveRefLevel(!up);
            return;
        }
        if (!c_.feed) {
            o.accepted = false;
            return;
        }
        const int n = c_.feed->GetMainSkipLimit();
        if (up && n > 0) {
            c_.feed->SetMainSkipLimit(n * 2 / 3);
        } else if (!up && n < kSlowestPace) {
            c_.feed->SetMainSkipLimit(n < 3 ? n + 1 : static_cast<int>(std::trunc(n * 1.5)));
        } else {
            o.accepted = false;
        }
    });
}

Outcome DisplaysPart::SelectDisplayFunction(int function) {
    return c_.Run([&](Outcome& o) {
        if (function < 0 || function > 1) {
            o.accepted = false;
            return;
        }
        ApplyDisplayFunction(function);
    });
}

Outcome DisplaysPart::SelectSecDisplayFunction(int function) {
    return c_.Run([&](Outcome& o) {
        if (function < 0 || function > 2 ||
            !c_.panel.Enabled(Offset(ControlId::SecTune, function))) {
            o.accepted = false;
            return;
        }
        ApplySecDisplayFunction(function);
    });
}

Outcome DisplaysPart::ClearMarkers() {
    return c_.Run([&](Outcome&) { c_.mainDisplay.markerXs.clear(); });
}

Outcome DisplaysPart::ToggleDelta() {
    return c_.Run(
        [&](Outcome&) { c_.panel.Check(ControlId::Delta, !c_.panel.Checked(ControlId::Delta)); });
}

Outcome DisplaysPart::SelectSMeterMode(int mode) {
    return c_.Run([&](Outcome& o) {
        if (mode < 0 || mode > 1) {
            o.accepted = false;
            return;
        }
        ApplySMeterMode(mode);
    });
}

Outcome DisplaysPart::ToggleAveraging(DisplayId display) {
    return c_.Run(
        [&](Outcome&) { ApplyAveraging(display, !c_.panel.Checked(AveragingSquare(display))); });
}

Outcome DisplaysPart::SetAvgVal(DisplayId display, int value) {
    return c_.Run([&](Outcome&) { ApplyAvgVal(display, value); });
}

}  // namespace velorix
