#include "MousePart.h"

#include <vector>

#include "DisplaysPart.h"
#include "MarkerList.h"
#include "TuningPart.h"

namespace velorix {

Outcome MousePart::DoubleClick(DisplayId display, int x) {
    const SettingsRecord& s = c_.settings;
    const bool centreTuning = s.TuneMode == 1;
    if (display == DisplayId::Secondary) {
        // The clicked frequency becomes the tuned one.
        const double hz = c_.displays->SecondaryClickHz(x);
        if (centreTuning)
            return c_.tuning->SetCenterFrequencyKHz((s.CenterFreq + hz) / 1000.0, true);
        return c_.tuning->ShiftTuningOffset(-hz);
    }
    const double kHz = c_.mainDisplay.geometry.ClickKHz(x, s.DemIdx);
    if (centreTuning) return c_.tuning->SetCenterFrequencyKHz(kHz, true);
    return c_.tuning->SetTuningOffset(DisplayGeometry::OffsetForKHz(s.CenterFreq, kHz));
}

Outcome MousePart::AddMarker(int x) {
    return c_.Run([&](Outcome& o) {
        std::vector<int>& xs = c_.mainDisplay.markerXs;
        if (static_cast<int>(xs.size()) >= MarkerList::kMaxMarkers) {
            o.accepted = false;
            return;
        }
        xs.push_back(x);
    });
}

Outcome MousePart::DragPassband(int fromX, int toX) {
    const DisplayGeometry& g = c_.mainDisplay.geometry;
    if (c_.settings.TuneMode != 0 || toX < 0 || toX >= g.Width() || toX == fromX)
        return Outcome::Refused();
    return c_.tuning->SetTuningOffset(g.DragOffsetHz(c_.settings.FreqOffset, fromX, toX));
}

void MousePart::BeginScroll() {
    pressedCentreKHz_ = c_.mainDisplay.geometry.VisibleCentreKHz();
    pressedOffsetHz_ = c_.settings.FreqOffset;
}

Outcome MousePart::Scroll(int dxPx) {
    return c_.Run([&](Outcome& o) {
        DisplayGeometry& g = c_.mainDisplay.geometry;
        if (!g.DragScale(dxPx)) {
            o.accepted = false;
            return;
        }
        // The tuned frequency moves with the view, so the band keeps its place.
        c_.tuning->SetTuningOffset(g.ScrollOffsetHz(pressedOffsetHz_, pressedCentreKHz_));
    });
}

Outcome MousePart::EndScroll() {
    return c_.Run([&](Outcome& o) {
        // A recording or a file as the source keeps the receiver where it is.
        if (c_.settings.retuneInhibit.load() != 0) {
            o.accepted = false;
            return;
        }
        const double visibleCentreKHz = c_.mainDisplay.geometry.VisibleCentreKHz();
        c_.tuning->SetTuningOffset(c_.settings.TuneMode == 1 ? 0 : pressedOffsetHz_);
        c_.tuning->SetCenterFrequencyKHz(visibleCentreKHz, true);
    });
}

Outcome MousePart::SetPassbandEdges(double lower, double upper) {
    return c_.Run([&](Outcome&) {
        c_.engine.SetPassband(lower, upper);
        c_.displays->SetEdges(lower, upper);
    });
}

void MousePart::BeginSpectrumDrag() {
    dragCentreKHz_ = retunedCentreKHz_ = c_.settings.CenterFreq / 1000.0;
}

Outcome MousePart::DragSpectrum(double hz) {
    // Moving the picture right moves the tuned frequency down.
    if (c_.settings.TuneMode != 1) return c_.tuning->ShiftTuningOffset(hz);
    dragCentreKHz_ -= hz / 1000.0;
    return Outcome{};
}

Outcome MousePart::RetuneDraggedCentre() {
    if (c_.settings.TuneMode != 1 || dragCentreKHz_ == retunedCentreKHz_) return Outcome{};
    retunedCentreKHz_ = dragCentreKHz_;
    return c_.tuning->SetCenterFrequencyKHz(dragCentreKHz_, true);
}

Outcome MousePart::EndSpectrumDrag() {
    return c_.Run([&](Outcome&) {
        // The moves since the last retune are not lost with the button.
        RetuneDraggedCentre();
        // The main display re-centres.
        c_.displays->CentreChanged();
    });
}

}  // namespace velorix
