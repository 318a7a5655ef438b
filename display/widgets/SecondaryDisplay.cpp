#include "SecondaryDisplay.h"

namespace velorix {

SecondaryDisplay::SecondaryDisplay(int widthPx, int heightPx, DisplayIntents& intents,
                                   QWidget* parent, DeferredPress::Clock clockMs)
    : QWidget(parent),
      intents_(intents),
      state_(std::make_shared<const DisplayState>()),
      model_(widthPx),
      renderer_(widthPx, heightPx),
      clock_(std::move(clockMs)) {
    plot_ = new PlotWidget(
        renderer_.Frames(), [this] { renderer_.SetReady(); }, *this, this);
    renderer_.PaceToScreen(PlotWidget::kFrameIntervalMs);
    scaleBar_ = new ScaleBarWidget(widthPx, nullptr, this);
    scaleBar_->SetLabelsClearOfTunedLine(true);
    scaleBar_->move(0, heightPx + 2);
    setFixedSize(widthPx, heightPx + 2 + ScaleBarWidget::kHeight);
    // It runs only during a spectrum drag in centre tuning.
    centreTimer_.setInterval(kCentreTickMs);
    connect(&centreTimer_, &QTimer::timeout, this, &SecondaryDisplay::CentreTick);
}

void SecondaryDisplay::Show(std::shared_ptr<const DisplayState> state) {
    // The scale is in Hz around the carrier offset, SecondaryDisplayModel::kBins bins wide.
    const SlideBarScale& scale = state->geometry.Scale();
    model_.Configure(scale.PerBin() * SecondaryDisplayModel::kBins / 1000.0, scale.Centre());
    model_.SetEdges(state->edgeLow, state->edgeHigh);
    state_ = state;
    renderer_.Show(state);
    scaleBar_->Show(std::move(state));
    UpdateMarks();
}

void SecondaryDisplay::UpdateMarks() {
    PointerMarks m;
    m.cursorX = cursorX_;
    m.overTrace = state_->function == 0;
    plot_->SetMarks(m);
}

void SecondaryDisplay::Act(const SecondaryAction& a) {
    if (a.edgesChanged) intents_.SetPassbandEdges(model_.Low(), model_.High());
    if (a.tuneHz != 0.0) intents_.DragSpectrum(a.tuneHz);
    if (a.spectrumDragEnded) {
        centreTimer_.stop();
        intents_.EndSpectrumDrag();
    }
}

void SecondaryDisplay::CentreTick() {
    if (!model_.SpectrumDragging()) return;
    const std::int64_t now = clock_();
    if (now < nextRetuneMs_) return;
    nextRetuneMs_ = now + kCentreTickMs - kTickSlackMs;
    intents_.RetuneDraggedCentre();
}

void SecondaryDisplay::OnPlotEvent(const PlotEvent& e) {
    switch (e.kind) {
        case PlotEventKind::Press:
            // Either drag, of an edge or of the spectrum, shows the sizing
            // cursor until the button is let go.
            plot_->setCursor(Qt::SizeHorCursor);
            Act(model_.Press(e.x));
            if (model_.SpectrumDragging()) {
                intents_.BeginSpectrumDrag();
                nextRetuneMs_ = clock_() + kCentreTickMs - kTickSlackMs;
                if (!state_->offsetTuning) centreTimer_.start();
            }
            return;
        case PlotEventKind::Move:
            cursorX_ = e.x;
            if (!model_.EdgeDragging() && !model_.SpectrumDragging())
                plot_->setCursor(model_.HitTest(e.x) != PassbandEdge::None ? Qt::SizeHorCursor
                                                                           : Qt::CrossCursor);
            Act(model_.Move(e.x));
            UpdateMarks();
            return;
        case PlotEventKind::Release:
            Act(model_.Release());
            return;
        case PlotEventKind::DoubleClick:
            // The clicked frequency becomes the tuned one.
            intents_.DoubleClick(DisplayId::Secondary, e.x);
            return;
    }
}

void SecondaryDisplay::OnLeave() {
    cursorX_ = 0;
    UpdateMarks();
}

}  // namespace velorix
