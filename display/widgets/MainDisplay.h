#pragma once

#include <QWidget>

#include "DisplayGeometry.h"
#include "PlotWidget.h"
#include "ScaleBarWidget.h"
#include "SettingsRecord.h"
#include "SpectrumRenderer.h"
#include "TuningSink.h"

namespace velorix {

// The main display: the plot, its slide bar, and the renderer that the
// window puts into the receiver's main display slot. It reads the settings
// record on the user-interface thread and hands the renderer a snapshot; the
// mouse tunes through the window's TuningSink.
class MainDisplay : public QWidget, public PlotHandler, public ScaleBarHandler {
    Q_OBJECT
public:
    static constexpr int kWidth = 820;
    static constexpr int kHeight = 249;

    MainDisplay(const SettingsRecord& settings, TuningSink& sink, QWidget* parent = nullptr);

    SpectrumRenderer& Renderer() { return renderer_; }
    const DisplayGeometry& Geometry() const { return geometry_; }
    PlotWidget& Plot() { return *plot_; }
    ScaleBarWidget& SlideBar() { return *slideBar_; }

    // After a new FFT size or rate (the caller holds the chain lock).
    void Reconfigure();
    void OnCentreChanged();
    void SetFreeScroll(bool on);
    void SetDisplayFunction(int function);
    // The passband's edges relative to the tuned frequency, kHz.
    void SetPassbandKHz(double lowKHz, double highKHz);
    // Tuned line and band from the settings' tuning, then a new snapshot.
    void UpdatePassband();

    void OnPlotEvent(const PlotEvent& event) override;
    void OnRightPress(int x, int y) override;
    void OnRightRelease(int, int) override {}
    void OnWheel(int delta) override { sink_.WheelTune(delta); }
    void OnLeave() override;
    void OnSlidePress() override;
    void OnSlideMove(int dx) override;
    void OnSlideRelease() override;

private:
    double RateKHz() const;
    void PushView();

    const SettingsRecord& settings_;
    TuningSink& sink_;
    SpectrumRenderer renderer_;
    DisplayGeometry geometry_;
    PlotWidget* plot_;
    ScaleBarWidget* slideBar_;
    int function_ = 0;
    int tunedX_ = 0;
    int cursorX_ = 0;
    PassbandPixels band_;
    double lowKHz_ = 0.0;
    double highKHz_ = 0.0;
    bool dragging_ = false;
    bool mouseOverBand_ = false;
    int lastX_ = 0;
    double pressedCentreKHz_ = 0.0;
    int pressedOffsetHz_ = 0;
};

}  // namespace velorix
