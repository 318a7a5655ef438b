#pragma once

namespace velorix {

// Where the displays send the tuning the mouse asks for. The window
// implements it through the control layer; a display never retunes the
// receiver itself. User-interface thread.
class TuningSink {
public:
    virtual ~TuningSink() = default;
    // Offset tuning: the tuning shifter to this offset (tuned = centre - offset), Hz.
    virtual void TuneOffsetHz(int offsetHz) = 0;
    // Adds hz to the tuning offset (the secondary display's drags and double click).
    virtual void ShiftOffsetHz(double hz) = 0;
    // Centre tuning: the receiver's centre to kHz, offset 0.
    virtual void TuneCentreKHz(double kHz) = 0;
    // The slide bar was let go with the view centred on visibleCentreKHz; the
    // tuning offset was pressedOffsetHz when it was pressed.
    virtual void ScrollEnded(double visibleCentreKHz, int pressedOffsetHz) = 0;
    // New passband edges, fractions of the band-pass filter's rate.
    virtual void SetPassbandEdges(double low, double high) = 0;
    // A spectrum drag on the secondary display ended: the main display re-centres.
    virtual void SpectrumDragEnded() = 0;
    // The wheel over a display: the window's wheel tuning, by the wheel's delta.
    virtual void WheelTune(int delta) = 0;
};

}  // namespace velorix
