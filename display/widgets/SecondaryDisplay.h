#pragma once

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
    SecondaryDisplay(int widthPx, int heightPx, const SettingsRecord& settings, TuningSink& sink,
                     QWidget* parent = nullptr);

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

private:
    void Act(const SecondaryAction& action);
    void PushView();

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
};

}  // namespace velorix
