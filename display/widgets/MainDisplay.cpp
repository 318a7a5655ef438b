#include "MainDisplay.h"

namespace velorix {

MainDisplay::MainDisplay(DisplayIntents& intents, QWidget* parent)
    : QWidget(parent),
      intents_(intents),
      state_(std::make_shared<const DisplayState>()),
      renderer_(kWidth, kHeight) {
    plot_ = new PlotWidget(
        renderer_.Frames(), [this] { renderer_.SetReady(); }, *this, this);
    renderer_.PaceToScreen(PlotWidget::kFrameIntervalMs);
    slideBar_ = new ScaleBarWidget(kWidth, this, this);
    plot_->move(0, 0);
    slideBar_->move(0, kHeight + 2);
    setFixedSize(kWidth, kHeight + 2 + ScaleBarWidget::kHeight);
}

void MainDisplay::Show(std::shared_ptr<const DisplayState> state) {
    state_ = state;
    renderer_.Show(state);
    slideBar_->Show(std::move(state));
    UpdateMarks();
}

void MainDisplay::UpdateMarks() {
    const DisplayState& s = *state_;
    PointerMarks m;
    m.cursorX = cursorX_;
    m.overTrace = s.function == 0;
    // The waterfall shows the band only while the pointer is over it.
    m.hoverBand = s.function == 1 && pointerOverBand_;
    m.band = s.band;
    m.tunedX = s.tunedX;
    plot_->SetMarks(m);
}

void MainDisplay::OnPlotEvent(const PlotEvent& e) {
    const bool offsetTuning = state_->offsetTuning;
    switch (e.kind) {
        case PlotEventKind::Move:
            cursorX_ = e.x;
            pointerOverBand_ = OverBand(e.x);
            if (offsetTuning)
                plot_->setCursor(pointerOverBand_ || dragging_ ? Qt::SizeHorCursor
                                                               : Qt::CrossCursor);
            if (dragging_ && e.x != lastX_ && intents_.DragPassband(lastX_, e.x)) lastX_ = e.x;
            break;
        case PlotEventKind::Press:
            if (!offsetTuning || !OverBand(e.x)) return;
            dragging_ = true;
            lastX_ = e.x;
            cursorX_ = state_->tunedX;
            break;
        case PlotEventKind::Release:
            dragging_ = false;
            return;
        case PlotEventKind::DoubleClick:
            intents_.DoubleClick(DisplayId::Main, e.x);
            return;
    }
    UpdateMarks();
}

void MainDisplay::OnLeave() {
    cursorX_ = 0;
    pointerOverBand_ = false;
    UpdateMarks();
}

}  // namespace velorix
