#pragma once

namespace velorix {

// The two spectrum displays of the window.
enum class DisplayId { Main, Secondary };

// What the control layer asks of the two spectrum displays. The window's displays implement it; the
// headless receiver and the tests may leave every operation empty. Called on the user-interface
// thread.
//
// The control layer retunes the acquisition board itself after a centre
// change (never while the retune-inhibit flag is set), so OnCentreChanged
// only moves the displays' picture.
class DisplayControl {
public:
    virtual ~DisplayControl() = default;
    // CenterFreq changed: recompute kHz per bin, re-centre the slide bar, and
    // in "Center" tuning put the tuned line at the centre.
    virtual void OnCentreChanged() {}
    virtual void Redraw() {}
    // Clears both traces (a new source).
    virtual void ClearTraces() {}
    // The main display's slide bar may scroll freely.
    virtual void SetFreeScroll(bool /*on*/) {}
    // Both displays again for a new rate or FFT size, under the chain lock.
    virtual void Reconfigure() {}

    // The main display's function: 0 spectrum, 1 waterfall (cleared on entry).
    virtual void SetDisplayFunction(int /*function*/) {}
    // The spectrum estimator's averaging factor of one display, 0 (off) … < 1.
    virtual void SetAveraging(DisplayId /*display*/, double /*factor*/) {}
    // The main display's markers: remove all; delta readouts on or off.
    virtual void ClearMarkers() {}
    virtual void SetDeltaMarkers(bool /*on*/) {}
    // A new filter: the pass band's edges in cycles per sample at the
    // band-pass filter's (and secondary display's) rate, which may have
    // changed too. The secondary display recomputes its Hz per bin and
    // centring; the main display redraws its band. Nothing is retuned.
    virtual void OnPassbandChanged(double /*lower*/, double /*upper*/) {}
    // A new mode: the carrier offset may have moved (USB +1500 Hz, LSB
    // -1500 Hz); the secondary display re-centres on it and the main display
    // moves its band to the new sideband. Nothing is retuned.
    virtual void OnModeChanged() {}
};

}  // namespace velorix
