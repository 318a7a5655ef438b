#include "MainDisplay.h"

#include "DisplayTables.h"

namespace velorix {

MainDisplay::MainDisplay(const SettingsRecord& settings, TuningSink& sink, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      sink_(sink),
      renderer_(kWidth, kHeight),
      geometry_(kWidth, kHeight) {
    plot_ = new PlotWidget(
        renderer_.Frames(), [this] { renderer_.SetReady(); }, *this, this);
    slideBar_ = new ScaleBarWidget(geometry_.Scale(), this, this);
    plot_->move(0, 0);
    slideBar_->move(0, kHeight + 2);
    setFixedSize(kWidth, kHeight + 2 + ScaleBarWidget::kHeight);
    Reconfigure();
}

double MainDisplay::RateKHz() const {
    const int idx = settings_.DdcSamplingRateIdx;
    return idx >= 0 && idx < kRateCount ? kOutputRatesKHz[static_cast<size_t>(idx)] : 500.0;
}

void MainDisplay::Reconfigure() {
    geometry_.Reconfigure(MainFFTSize(settings_.MainFFTIdx), RateKHz(),
                          settings_.CenterFreq / 1000.0);
    renderer_.SetAveraging(AveragingFactor(settings_.MainAvgVal));
    tunedX_ = geometry_.KHzToPixel(settings_.CenterFreq / 1000.0);
    UpdatePassband();
}

void MainDisplay::OnCentreChanged() {
    geometry_.OnCentreChanged(settings_.CenterFreq / 1000.0);
    if (settings_.TuneMode == 1) tunedX_ = geometry_.KHzToPixel(settings_.CenterFreq / 1000.0);
    UpdatePassband();
}

void MainDisplay::SetFreeScroll(bool on) {
    geometry_.SetFreeScroll(on);
    Reconfigure();
}

void MainDisplay::SetDisplayFunction(int function) {
    function_ = function == 1 ? 1 : 0;
    PushView();
}

void MainDisplay::SetPassbandKHz(double lowKHz, double highKHz) {
    lowKHz_ = lowKHz;
    highKHz_ = highKHz;
    UpdatePassband();
}

void MainDisplay::UpdatePassband() {
    const double tunedKHz = settings_.TunedHz() / 1000.0;
    if (settings_.TuneMode == 0) tunedX_ = geometry_.KHzToPixel(tunedKHz);
    band_ = geometry_.BandPixels(tunedKHz, lowKHz_, highKHz_, tunedX_);
    PushView();
}

void MainDisplay::PushView() {
    SpectrumView v;
    v.geometry = geometry_;
    v.refLevelDb = settings_.RefLevel;
    v.dbPerDivision = DbPerDivision(settings_.RefScaleIdx);
    v.levelOffsetDb = LevelCalibrationDb(settings_);
    v.function = function_;
    v.tunedX = tunedX_;
    v.cursorX = cursorX_;
    v.band = band_;
    // The waterfall shows the band only while the mouse is over it.
    v.bandVisible = function_ == 0 || mouseOverBand_;
    renderer_.SetView(v);
    renderer_.Rerender();
    slideBar_->SetLines(band_, tunedX_);
}

void MainDisplay::OnPlotEvent(const PlotEvent& e) {
    const bool offsetTuning = settings_.TuneMode == 0;
    switch (e.kind) {
        case PlotEventKind::Move: {
            cursorX_ = e.x;
            mouseOverBand_ = e.x >= band_.low && e.x <= band_.high;
            if (offsetTuning)
                plot_->setCursor(mouseOverBand_ || dragging_ ? Qt::SizeHorCursor : Qt::CrossCursor);
            if (dragging_ && offsetTuning && e.x >= 0 && e.x < kWidth && e.x != lastX_) {
                sink_.TuneOffsetHz(
                    geometry_.DragOffsetHz(settings_.FreqOffset, lastX_, e.x, RateKHz()));
                tunedX_ += e.x - lastX_;
                lastX_ = e.x;
                UpdatePassband();
                return;
            }
            PushView();
            return;
        }
        case PlotEventKind::Press:
            if (offsetTuning && e.x >= band_.low && e.x <= band_.high) {
                dragging_ = true;
                lastX_ = e.x;
                cursorX_ = tunedX_;
                PushView();
            }
            return;
        case PlotEventKind::Release:
            dragging_ = false;
            return;
        case PlotEventKind::DoubleClick: {
            const double kHz = geometry_.ClickKHz(e.x, settings_.DemIdx);
            if (offsetTuning) {
                sink_.TuneOffsetHz(
                    DisplayGeometry::OffsetForKHz(settings_.CenterFreq, kHz, RateKHz()));
                tunedX_ = e.x;
                UpdatePassband();
            } else {
                sink_.TuneCentreKHz(kHz);
            }
            return;
        }
    }
}

void MainDisplay::OnRightPress(int x, int) {
    renderer_.AddMarker(x);
    renderer_.Rerender();
}

void MainDisplay::OnLeave() {
    cursorX_ = 0;
    mouseOverBand_ = false;
    PushView();
}

void MainDisplay::OnSlidePress() {
    pressedCentreKHz_ = geometry_.VisibleCentreKHz();
    pressedOffsetHz_ = settings_.FreqOffset;
}

void MainDisplay::OnSlideMove(int dx) {
    if (!geometry_.DragScale(dx)) return;
    // The tuned frequency moves with the view, so the band keeps its place.
    sink_.TuneOffsetHz(geometry_.ScrollOffsetHz(pressedOffsetHz_, pressedCentreKHz_, RateKHz()));
    UpdatePassband();
}

void MainDisplay::OnSlideRelease() {
    sink_.ScrollEnded(geometry_.VisibleCentreKHz(), pressedOffsetHz_);
}

}  // namespace velorix
