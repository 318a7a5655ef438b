#pragma once

#include "ControllerContext.h"

namespace velorix {

// What the mouse over the displays asks of the receiver: the displays hand
// over their pixels, and the geometry the displays part keeps turns them
// into tuning, markers and passband edges.
class MousePart {
public:
    explicit MousePart(ControllerContext& context) : c_(context) {}

    // Double click: tunes to the clicked bin (whole kHz but in CW and the
    // modes above DRM): the offset, or in "Center" tuning the centre.
    Outcome DoubleClick(DisplayId display, int x);
    // A right press adds a marker at x (four at most).
    Outcome AddMarker(int x);
    // The main display's band dragged from fromX to toX: offset tuning only,
    // and only while the pointer is over the plot.
    Outcome DragPassband(int fromX, int toX);
    // The slide bar: pressed, dragged by dx pixels (the picture follows the
    // mouse and the tuned frequency with it), and let go, which retunes the
    // receiver to the view unless a recording or a file keeps it in place.
    void BeginScroll();
    Outcome Scroll(int dxPx);
    Outcome EndScroll();
    // The secondary display's passband edges, fractions of the band-pass
    // filter's rate, as its drags and wheel leave them.
    Outcome SetPassbandEdges(double lower, double upper);
    // The secondary display's spectrum dragged: the tuned frequency moves by
    // -hz; in "Center" tuning the centre goes there when RetuneDraggedCentre
    // is asked (a retune restarts the chain, so the display gathers the
    // moves), and at the end of the drag.
    void BeginSpectrumDrag();
    Outcome DragSpectrum(double hz);
    Outcome RetuneDraggedCentre();
    Outcome EndSpectrumDrag();

private:
    ControllerContext& c_;
    // The slide bar as it was pressed: the view's centre, kHz, and the offset, Hz.
    double pressedCentreKHz_ = 0.0;
    int pressedOffsetHz_ = 0;
    // A spectrum drag in "Center" tuning: where the drag has taken the
    // centre, and the centre last retuned to, kHz.
    double dragCentreKHz_ = 0.0;
    double retunedCentreKHz_ = 0.0;
};

}  // namespace velorix
