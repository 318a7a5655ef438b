// The display and meter controls: reference level and scale, span, the
// display functions and their feed pace, markers, meter mode and averaging.
#include <algorithm>
#include <cmath>
#include <string>

#include "DisplayTables.h"
#include "ReceiverController.h"

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

void ReceiverController::RefreshRefLevel() {
    const int step = DbPerDivision(settings_.RefScaleIdx);
    settings_.RefLevel = std::clamp(settings_.RefLevel, kRefLevelMinDb, kRefLevelMaxDb);
    panel_.SetText(label::kRefLev, std::to_string(settings_.RefLevel));
    panel_.Enable(ControlId::RefLevDown, settings_.RefLevel - step >= kRefLevelMinDb);
    panel_.Enable(ControlId::RefLevUp, settings_.RefLevel + step <= kRefLevelMaxDb);
}

void ReceiverController::RefreshScale() {
    const int idx = std::clamp(settings_.RefScaleIdx, 0, 4);
    settings_.RefScaleIdx = idx;
    panel_.SetText(label::kScale, std::to_string(DbPerDivision(idx)));
    panel_.Enable(ControlId::ScaleDown, idx > 0);
    panel_.Enable(ControlId::ScaleUp, idx < 4);
    // The step of the RefLev arrows is one division.
    RefreshRefLevel();
}

bool ReceiverController::MoveRefLevel(bool up) {
    if (!panel_.Enabled(up ? ControlId::RefLevUp : ControlId::RefLevDown)) return false;
    const int step = DbPerDivision(settings_.RefScaleIdx);
    settings_.RefLevel += up ? step : -step;
    RefreshRefLevel();
    return true;
}

void ReceiverController::ApplyDisplayFunction(int function) {
    function = std::clamp(function, 0, 1);
    settings_.DispFnIdx = function;
    panel_.CheckRadio(ControlId::DispSpect, 2, function);
    displays_->SetDisplayFunction(function);
    if (!feed_) return;
    // The waterfall paces itself to what the display can paint; the
    // spectrum takes every block.
    feed_->SetMainAutoThrottle(function == 1);
    if (function == 0) feed_->SetMainSkipLimit(0);
}

void ReceiverController::ApplySecDisplayFunction(int function) {
    function = std::clamp(function, 0, 2);
    settings_.SecDispFnIdx = function;
    panel_.CheckRadio(ControlId::SecTune, 3, function);
}

void ReceiverController::ApplySMeterMode(int mode) {
    mode = std::clamp(mode, 0, 1);
    settings_.SmtrMode = mode;
    panel_.CheckRadio(ControlId::SmtrRms, 2, mode);
}

void ReceiverController::ApplyAveraging(DisplayId display, bool on) {
    const int value = display == DisplayId::Main ? settings_.MainAvgVal : settings_.SecAvgVal;
    panel_.Check(AveragingSquare(display), on);
    panel_.Enable(AveragingSlider(display), on);
    displays_->SetAveraging(display, on ? AveragingFactor(value) : 0.0);
}

void ReceiverController::ApplyAvgVal(DisplayId display, int value) {
    value = std::clamp(value, 0, 800);
    (display == DisplayId::Main ? settings_.MainAvgVal : settings_.SecAvgVal) = value;
    panel_.SetSlider(AveragingSlider(display), value);
    // The slider is disabled while averaging is off; a value set then waits
    // for the square.
    if (panel_.Checked(AveragingSquare(display)))
        displays_->SetAveraging(display, AveragingFactor(value));
}

Outcome ReceiverController::StepRefLevel(bool up) {
    return Run([&](Outcome& o) { o.accepted = MoveRefLevel(up); });
}

Outcome ReceiverController::StepScale(bool up) {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(up ? ControlId::ScaleUp : ControlId::ScaleDown)) {
            o.accepted = false;
            return;
        }
        settings_.RefScaleIdx += up ? 1 : -1;
        RefreshScale();
    });
}

Outcome ReceiverController::StepSpan(bool up) {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(up ? ControlId::SpanUp : ControlId::SpanDown)) {
            o.accepted = false;
            return;
        }
        // A larger FFT takes longer blocks: drop fewer of them, and more for
        // a smaller one, so the picture keeps its pace.
        if (feed_) {
            const int n = feed_->GetMainSkipLimit();
            feed_->SetMainSkipLimit(up ? std::min(n * 2, kMaxSkipLimit) : n / 2);
        }
        settings_.MainFFTIdx += up ? 1 : -1;
        RefreshSpan();
    });
}

Outcome ReceiverController::StepEdge(bool up) {
    return Run([&](Outcome& o) {
        if (settings_.DispFnIdx == 0) {
            // The upper arrow lowers the reference level: the trace rises.
            o.accepted = MoveRefLevel(!up);
            return;
        }
        if (!feed_) {
            o.accepted = false;
            return;
        }
        const int n = feed_->GetMainSkipLimit();
        if (up && n > 0) {
            feed_->SetMainSkipLimit(n * 2 / 3);
        } else if (!up && n < kSlowestPace) {
            feed_->SetMainSkipLimit(n < 3 ? n + 1 : static_cast<int>(std::trunc(n * 1.5)));
        } else {
            o.accepted = false;
        }
    });
}

Outcome ReceiverController::SelectDisplayFunction(int function) {
    return Run([&](Outcome& o) {
        if (function < 0 || function > 1) {
            o.accepted = false;
            return;
        }
        ApplyDisplayFunction(function);
    });
}

Outcome ReceiverController::SelectSecDisplayFunction(int function) {
    return Run([&](Outcome& o) {
        if (function < 0 || function > 2 || !panel_.Enabled(Offset(ControlId::SecTune, function))) {
            o.accepted = false;
            return;
        }
        ApplySecDisplayFunction(function);
    });
}

Outcome ReceiverController::ClearMarkers() {
    return Run([&](Outcome&) { displays_->ClearMarkers(); });
}

Outcome ReceiverController::ToggleDelta() {
    return Run([&](Outcome&) {
        const bool on = !panel_.Checked(ControlId::Delta);
        panel_.Check(ControlId::Delta, on);
        displays_->SetDeltaMarkers(on);
    });
}

Outcome ReceiverController::SelectSMeterMode(int mode) {
    return Run([&](Outcome& o) {
        if (mode < 0 || mode > 1) {
            o.accepted = false;
            return;
        }
        ApplySMeterMode(mode);
    });
}

Outcome ReceiverController::ToggleAveraging(DisplayId display) {
    return Run(
        [&](Outcome&) { ApplyAveraging(display, !panel_.Checked(AveragingSquare(display))); });
}

Outcome ReceiverController::SetAvgVal(DisplayId display, int value) {
    return Run([&](Outcome&) { ApplyAvgVal(display, value); });
}

Outcome ReceiverController::SetSliderValue(ControlId slider, int value) {
    switch (slider) {
        case ControlId::MainAvgSlider:
            return SetAvgVal(DisplayId::Main, value);
        case ControlId::SecAvgSlider:
            return SetAvgVal(DisplayId::Secondary, value);
        case ControlId::NoiseBlankerSlider:
            return SetNBVal(value);
        case ControlId::NoiseRedSlider:
            return SetNRVal(value);
        case ControlId::VolumeSlider:
            return SetVolVal(value);
        default:
            return Outcome{{}, false, false};
    }
}

Outcome ReceiverController::SetPassbandEdges(double lower, double upper) {
    return Run([&](Outcome&) {
        engine_.SetPassband(lower, upper);
        displays_->OnPassbandChanged(lower, upper);
    });
}

}  // namespace velorix
