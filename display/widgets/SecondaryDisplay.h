#pragma once

#include <QTimer>
#include <QWidget>

#include "PlotWidget.h"
#include "ScaleBarWidget.h"
#include "SecondaryDisplayModel.h"
#include "SettingsRecord.h"
#include "SpectrumRenderer.h"
#include "TuningSink.h"

namespace velorix {

// The secondary display: the narrow spectrum around the tuned frequency with
// its Hz scale, and the passband edges that its drags and the wheel move.
// The renderer goes into the receiver's secondary display slot.
class SecondaryDisplay : public QWidget, public PlotHandler {
    Q_OBJECT
public:
    // clockMs paces the centre retune of a drag (tests step it).
    SecondaryDisplay(int widthPx, int heightPx, const SettingsRecord& settings, TuningSink& sink,
                     QWidget* parent = nullptr, DeferredPress::Clock clockMs = MonotonicMs);

    SpectrumRenderer& Renderer() { return renderer_; }
    SecondaryDisplayModel& Model() { return model_; }
    PlotWidget& Plot() { return *plot_; }

    // A new band-pass rate or carrier offset, and the engine's edges.
    void Configure(double rateKHz, double carrierOffsetHz, double low, double high);
    void SetDisplayFunction(int function);

    void OnPlotEvent(const PlotEvent& event) override;
    void OnRightPress(int x, int /*y*/) override { Act(model_.RightPress(x)); }
    void OnRightRelease(int, int) override { Act(model_.RightRelease()); }
    void OnWheel(int delta) override { Act(model_.Wheel(delta)); }
    void OnLeave() override;

    // The 100 ms timer: during a spectrum drag in centre tuning the receiver's
    // centre follows the picture, at most once every 100 ms by the clock (a
    // retune restarts the chain, so the drag's moves are gathered between
    // ticks), and only when it moved.
    void CentreTick();
    static constexpr int kCentreTickMs = 100;
    // A timer tick may come this much early.
    static constexpr int kTickSlackMs = 10;

private:
    void Act(const SecondaryAction& action);
    void PushView();
    // Retunes to the gathered centre when it moved since the last retune.
    void RetuneCentre();

    const SettingsRecord& settings_;
    TuningSink& sink_;
    SecondaryDisplayModel model_;
    SpectrumRenderer renderer_;
    PlotWidget* plot_;
    ScaleBarWidget* scaleBar_;
    int width_;
    int height_;
    int function_ = 0;
    int cursorX_ = 0;
    // Centre tuning's spectrum drag: where the drag has taken the centre, and
    // the centre last asked for, kHz.
    double dragCentreKHz_ = 0.0;
    double retunedCentreKHz_ = 0.0;
    DeferredPress::Clock clock_;
    std::int64_t nextRetuneMs_ = 0;
    QTimer centreTimer_;
};

}  // namespace velorix
