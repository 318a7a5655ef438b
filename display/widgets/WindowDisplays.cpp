#include "WindowDisplays.h"

namespace velorix {

WindowDisplays::WindowDisplays(MainDisplay& main, SecondaryDisplay& secondary,
                               std::function<double()> bandPassRateKHz,
                               std::function<double()> carrierOffsetHz)
    : main_(main),
      secondary_(secondary),
      bandPassRateKHz_(std::move(bandPassRateKHz)),
      carrierOffsetHz_(std::move(carrierOffsetHz)) {}

void WindowDisplays::OnCentreChanged() {
    main_.OnCentreChanged();
    if (!secondary_.Model().SpectrumDragging()) OnModeChanged();
}

void WindowDisplays::Redraw() {
    main_.Renderer().Rerender();
    secondary_.Renderer().Rerender();
}

void WindowDisplays::ClearTraces() {
    main_.Renderer().ClearTrace();
    secondary_.Renderer().ClearTrace();
    Redraw();
}

void WindowDisplays::Reconfigure() {
    main_.Reconfigure();
    OnModeChanged();
}

void WindowDisplays::SetDisplayFunction(int function) {
    main_.Renderer().ClearWaterfall();
    main_.SetDisplayFunction(function);
}

void WindowDisplays::SetAveraging(DisplayId display, double factor) {
    (display == DisplayId::Main ? main_.Renderer() : secondary_.Renderer()).SetAveraging(factor);
}

void WindowDisplays::ClearMarkers() {
    main_.Renderer().ClearMarkers();
    main_.Renderer().Rerender();
}

void WindowDisplays::SetDeltaMarkers(bool on) {
    main_.Renderer().SetDeltaMarkers(on);
}

void WindowDisplays::OnPassbandChanged(double lower, double upper) {
    secondary_.Configure(bandPassRateKHz_(), carrierOffsetHz_(), lower, upper);
    double lowKHz = 0.0, highKHz = 0.0;
    secondary_.Model().EdgesKHz(lowKHz, highKHz);
    main_.SetPassbandKHz(lowKHz, highKHz);
}

void WindowDisplays::OnModeChanged() {
    const SecondaryDisplayModel& m = secondary_.Model();
    OnPassbandChanged(m.Low(), m.High());
}

}  // namespace velorix
