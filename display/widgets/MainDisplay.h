#pragma once

#include <QWidget>
#include <memory>

#include "DisplayIntents.h"
#include "PlotWidget.h"
#include "ScaleBarWidget.h"
#include "SpectrumRenderer.h"

namespace velorix {

// The main display: the plot, its slide bar, and the renderer that the
// window puts into the receiver's main display slot. It shows the state the
// controller gives it, paints the pointer's marks, and turns the mouse into
// intents.
class MainDisplay : public QWidget, public PlotHandler, public ScaleBarHandler {
    Q_OBJECT
public:
    static constexpr int kWidth = kMainPlotWidth;
    static constexpr int kHeight = kMainPlotHeight;

    explicit MainDisplay(DisplayIntents& intents, QWidget* parent = nullptr);

    // The display's new state: to the renderer's mailbox and the widgets.
    void Show(std::shared_ptr<const DisplayState> state);
    const DisplayState& State() const { return *state_; }
    const DisplayGeometry& Geometry() const { return state_->geometry; }

    SpectrumRenderer& Renderer() { return renderer_; }
    PlotWidget& Plot() { return *plot_; }
    ScaleBarWidget& SlideBar() { return *slideBar_; }

    void OnPlotEvent(const PlotEvent& event) override;
    void OnRightPress(int x, int) override { intents_.AddMarker(x); }
    void OnRightRelease(int, int) override {}
    void OnWheel(int delta) override { intents_.Wheel(delta); }
    void OnLeave() override;
    void OnSlidePress() override { intents_.BeginScroll(); }
    void OnSlideMove(int dx) override { intents_.Scroll(dx); }
    void OnSlideRelease() override { intents_.EndScroll(); }

private:
    bool OverBand(int x) const { return x >= state_->band.low && x <= state_->band.high; }
    // The cursor line, and in the waterfall the band under the pointer.
    void UpdateMarks();

    DisplayIntents& intents_;
    std::shared_ptr<const DisplayState> state_;
    SpectrumRenderer renderer_;
    PlotWidget* plot_;
    ScaleBarWidget* slideBar_;
    int cursorX_ = 0;
    bool pointerOverBand_ = false;
    bool dragging_ = false;
    int lastX_ = 0;
};

}  // namespace velorix
