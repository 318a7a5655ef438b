#pragma once

#include "DisplayState.h"

namespace velorix {

// What the mouse over the displays asks of the receiver, in the displays'
// pixels: the window hands each to the controller, whose answer brings the
// displays their new states. A display never tunes or redraws itself.
// User-interface thread.
class DisplayIntents {
public:
    virtual ~DisplayIntents() = default;
    // A double click at pixel x of a display's plot.
    virtual void DoubleClick(DisplayId display, int x) = 0;
    // A right press on the main plot: a marker at x.
    virtual void AddMarker(int x) = 0;
    // The main display's band dragged from fromX to toX; true when the tuned
    // frequency followed (offset tuning, the pointer over the plot).
    virtual bool DragPassband(int fromX, int toX) = 0;
    // The main display's slide bar: pressed, dragged by dx pixels, let go.
    virtual void BeginScroll() = 0;
    virtual void Scroll(int dxPx) = 0;
    virtual void EndScroll() = 0;
    // The secondary display's passband edges, fractions of the band-pass rate.
    virtual void SetPassbandEdges(double low, double high) = 0;
    // The secondary display's spectrum dragged: begun, moved by hz, a
    // centre retune due (the display's 100 ms timer), ended.
    virtual void BeginSpectrumDrag() = 0;
    virtual void DragSpectrum(double hz) = 0;
    virtual void RetuneDraggedCentre() = 0;
    virtual void EndSpectrumDrag() = 0;
    // The wheel over the main display, by the wheel's delta.
    virtual void Wheel(int delta) = 0;
};

}  // namespace velorix
