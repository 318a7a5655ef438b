// What the mouse over the displays does: the displays hand over their
// pixels, and their geometry here turns them into tuning.
#include <vector>

#include "DisplaysPart.h"
#include "MarkerList.h"
#include "TuningPart.h"

namespace velorix {

Outcome DisplaysPart::DoubleClick(DisplayId display, int x) {
    const SettingsRecord& s = c_.settings;
    const bool centreTuning = s.TuneMode == 1;
    if (display == DisplayId::Secondary) {
        // The clicked frequency becomes the tuned one.
        const double hz = secondary_.ClickHz(x);
        if (centreTuning)
            return c_.tuning->SetCenterFrequencyKHz((s.CenterFreq + hz) / 1000.0, true);
        return c_.tuning->ShiftTuningOffset(-hz);
    }
    const double kHz = c_.mainDisplay.geometry.ClickKHz(x, s.DemIdx);
    if (centreTuning) return c_.tuning->SetCenterFrequencyKHz(kHz, true);
    return c_.tuning->SetTuningOffset(DisplayGeometry::OffsetForKHz(s.CenterFreq, kHz));
}

Outcome DisplaysPart::AddMarker(int x) {
    return c_.Run([&](Outcome& o) {
        std::vector<int>& xs = c_.mainDisplay.markerXs;
        if (static_cast<int>(xs.size()) >= MarkerList::kMaxMarkers) {
            o.accepted = false;
            return;
        }
        xs.push_back(x);
    });
}

Outcome DisplaysPart::DragPassband(int fromX, int toX) {
    const DisplayGeometry& g = c_.mainDisplay.geometry;
    if (c_.settings.TuneMode != 0 || toX < 0 || toX >= g.Width() || toX == fromX)
        return Outcome::Refused();
    return c_.tuning->SetTuningOffset(g.DragOffsetHz(c_.settings.FreqOffset, fromX, toX));
}

void DisplaysPart::BeginScroll() {
    pressedCentreKHz_ = c_.mainDisplay.geometry.VisibleCentreKHz();
    pressedOffsetHz_ = c_.settings.FreqOffset;
}

Outcome DisplaysPart::Scroll(int dxPx) {
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

Outcome DisplaysPart::EndScroll() {
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

Outcome DisplaysPart::SetPassbandEdges(double lower, double upper) {
    return c_.Run([&](Outcome&) {
        c_.engine.SetPassband(lower, upper);
        SetEdges(lower, upper);
    });
}

void DisplaysPart::BeginSpectrumDrag() {
    dragCentreKHz_ = retunedCentreKHz_ = c_.settings.CenterFreq / 1000.0;
}

Outcome DisplaysPart::DragSpectrum(double hz) {
    // Moving the picture right moves the tuned frequency down.
    if (c_.settings.TuneMode != 1) return c_.tuning->ShiftTuningOffset(hz);
    dragCentreKHz_ -= hz / 1000.0;
    return Outcome{};
}

Outcome DisplaysPart::RetuneDraggedCentre() {
    if (c_.settings.TuneMode != 1 || dragCentreKHz_ == retunedCentreKHz_) return Outcome{};
    retunedCentreKHz_ = dragCentreKHz_;
    return c_.tuning->SetCenterFrequencyKHz(dragCentreKHz_, true);
}

Outcome DisplaysPart::EndSpectrumDrag() {
    return c_.Run([&](Outcome&) {
        // The moves since the last retune are not lost with the button.
        RetuneDraggedCentre();
        // The main display re-centres.
        CentreChanged();
    });
}

}  // namespace velorix
