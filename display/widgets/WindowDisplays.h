#pragma once

#include "DisplayControl.h"
#include "MainDisplay.h"
#include "SecondaryDisplay.h"

namespace velorix {

// The window's two displays as the control layer sees them.
// User-interface thread.
class WindowDisplays : public DisplayControl {
public:
    // `bandPassRateKHz` and `carrierOffsetHz` read the engine's current values.
    WindowDisplays(MainDisplay& main, SecondaryDisplay& secondary,
                   std::function<double()> bandPassRateKHz,
                   std::function<double()> carrierOffsetHz);

    void OnCentreChanged() override;
    void Redraw() override;
    void ClearTraces() override;
    void SetFreeScroll(bool on) override { main_.SetFreeScroll(on); }
    void Reconfigure() override;
    void SetDisplayFunction(int function) override;
    void SetAveraging(DisplayId display, double factor) override;
    void ClearMarkers() override;
    void SetDeltaMarkers(bool on) override;
    void OnPassbandChanged(double lower, double upper) override;
    void OnModeChanged() override;

private:
    MainDisplay& main_;
    SecondaryDisplay& secondary_;
    std::function<double()> bandPassRateKHz_;
    std::function<double()> carrierOffsetHz_;
};

}  // namespace velorix
