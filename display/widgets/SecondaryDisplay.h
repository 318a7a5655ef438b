#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>

#include "DisplayIntents.h"
#include "PlotWidget.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplayModel.h"
#include "SpectrumRenderer.h"

namespace velorix {

// The secondary display: the narrow spectrum around the tuned frequency with
// its Hz scale, and the passband edges that its drags and the wheel move.
// The renderer goes into the receiver's secondary display slot; the drags
// become intents.
class SecondaryDisplay : public QWidget, public PlotHandler {
    Q_OBJECT
public:
    // clockMs paces the centre retunes of a spectrum drag (tests step it).
    SecondaryDisplay(int widthPx, int heightPx, DisplayIntents& intents, QWidget* parent = nullptr,
                     DeferredPress::Clock clockMs = MonotonicMs);

    // The display's new state: to the renderer's mailbox, the scale and the
    // drags' model.
    void Show(std::shared_ptr<const DisplayState> state);

    SpectrumRenderer& Renderer() { return renderer_; }
    const SecondaryDisplayModel& Model() const { return model_; }
    PlotWidget& Plot() { return *plot_; }
    ScaleBarWidget& ScaleBar() { return *scaleBar_; }

    void OnPlotEvent(const PlotEvent& event) override;
    void OnRightPress(int x, int /*y*/) override { Act(model_.RightPress(x)); }
    void OnRightRelease(int, int) override { Act(model_.RightRelease()); }
    void OnWheel(int delta) override { Act(model_.Wheel(delta)); }
    void OnLeave() override;

    // The 100 ms timer: during a spectrum drag in centre tuning the receiver's
    // centre follows the picture, at most once every 100 ms by the clock (a
    // retune restarts the chain, so the drag's moves are gathered between
    // ticks).
    void CentreTick();
    static constexpr int kCentreTickMs = 100;
    // A timer tick may come this much early.
    static constexpr int kTickSlackMs = 10;

private:
    void Act(const SecondaryAction& action);
    void UpdateMarks();

    DisplayIntents& intents_;
    std::shared_ptr<const DisplayState> state_;
    SecondaryDisplayModel model_;
    SpectrumRenderer renderer_;
    PlotWidget* plot_;
    ScaleBarWidget* scaleBar_;
    int cursorX_ = 0;
    DeferredPress::Clock clock_;
    std::int64_t nextRetuneMs_ = 0;
    QTimer centreTimer_;
};

}  // namespace velorix
