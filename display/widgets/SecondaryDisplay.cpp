#include "SecondaryDisplay.h"

#include "DisplayTables.h"

namespace velorix {

SecondaryDisplay::SecondaryDisplay(int widthPx, int heightPx, const SettingsRecord& settings,
                                   TuningSink& sink, QWidget* parent, DeferredPress::Clock clockMs)
    : QWidget(parent),
      settings_(settings),
      sink_(sink),
      model_(widthPx),
      renderer_(widthPx, heightPx),
      width_(widthPx),
      height_(heightPx),
      clock_(std::move(clockMs)) {
    plot_ = new PlotWidget(
        renderer_.Frames(), [this] { renderer_.SetReady(); }, *this, this);
    scaleBar_ = new ScaleBarWidget(model_.Scale(), nullptr, this);
    scaleBar_->move(0, heightPx + 2);
    setFixedSize(widthPx, heightPx + 2 + ScaleBarWidget::kHeight);
    Configure(7.8125, 0.0, model_.Low(), model_.High());
    // It runs only during a spectrum drag in centre tuning.
    centreTimer_.setInterval(kCentreTickMs);
    connect(&centreTimer_, &QTimer::timeout, this, &SecondaryDisplay::CentreTick);
}

void SecondaryDisplay::Configure(double rateKHz, double carrierOffsetHz, double low, double high) {
    model_.Configure(rateKHz, carrierOffsetHz);
    model_.SetEdges(low, high);
    renderer_.SetAveraging(AveragingFactor(settings_.SecAvgVal));
    PushView();
}

void SecondaryDisplay::SetDisplayFunction(int function) {
    function_ = function == 1 ? 1 : 0;
    PushView();
}

void SecondaryDisplay::PushView() {
    SpectrumView v = SecondaryView(model_, width_, height_, settings_.RefLevel,
                                   DbPerDivision(settings_.RefScaleIdx),
                                   LevelCalibrationDb(settings_), function_);
    v.cursorX = cursorX_;
    renderer_.SetView(v);
    renderer_.Rerender();
    scaleBar_->SetLines(v.band, v.tunedX);
}

void SecondaryDisplay::Act(const SecondaryAction& a) {
    const bool centreTuning = settings_.TuneMode == 1;
    if (a.edgesChanged) sink_.SetPassbandEdges(model_.Low(), model_.High());
    if (a.tuneHz != 0.0) {
        // Moving the picture right moves the tuned frequency down.
        if (centreTuning)
            dragCentreKHz_ -= a.tuneHz / 1000.0;
        else
            sink_.ShiftOffsetHz(a.tuneHz);
    }
    if (a.spectrumDragEnded) {
        centreTimer_.stop();
        // The moves since the last tick are not lost with the button.
        if (centreTuning) RetuneCentre();
        sink_.SpectrumDragEnded();
    }
    PushView();
}

void SecondaryDisplay::RetuneCentre() {
    if (dragCentreKHz_ == retunedCentreKHz_) return;
    retunedCentreKHz_ = dragCentreKHz_;
    sink_.TuneCentreKHz(dragCentreKHz_);
}

void SecondaryDisplay::CentreTick() {
    if (!model_.SpectrumDragging() || settings_.TuneMode != 1) return;
    const std::int64_t now = clock_();
    if (now < nextRetuneMs_) return;
    nextRetuneMs_ = now + kCentreTickMs - kTickSlackMs;
    RetuneCentre();
}

void SecondaryDisplay::OnPlotEvent(const PlotEvent& e) {
    switch (e.kind) {
        case PlotEventKind::Press:
            Act(model_.Press(e.x));
            if (model_.SpectrumDragging()) {
                dragCentreKHz_ = settings_.CenterFreq / 1000.0;
                retunedCentreKHz_ = dragCentreKHz_;
                nextRetuneMs_ = clock_() + kCentreTickMs - kTickSlackMs;
                if (settings_.TuneMode == 1) centreTimer_.start();
            }
            return;
        case PlotEventKind::Move:
            cursorX_ = e.x;
            if (!model_.EdgeDragging() && !model_.SpectrumDragging())
                plot_->setCursor(model_.HitTest(e.x) != PassbandEdge::None ? Qt::SizeHorCursor
                                                                           : Qt::CrossCursor);
            Act(model_.Move(e.x));
            return;
        case PlotEventKind::Release:
            Act(model_.Release());
            return;
        case PlotEventKind::DoubleClick:
            // The clicked frequency becomes the tuned one: in centre tuning
            // the centre moves there, otherwise the offset.
            if (settings_.TuneMode == 1)
                sink_.TuneCentreKHz((settings_.CenterFreq + model_.ClickHz(e.x)) / 1000.0);
            else
                sink_.ShiftOffsetHz(-model_.ClickHz(e.x));
            return;
    }
}

void SecondaryDisplay::OnLeave() {
    cursorX_ = 0;
    PushView();
}

}  // namespace velorix
