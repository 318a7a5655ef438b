#pragma once

#include "DisplayGeometry.h"
#include "SlideBarScale.h"

namespace velorix {

// Which passband edge the pointer is on.
enum class PassbandEdge { None, High, Low };

// What a mouse or wheel action on the secondary display asks for.
struct SecondaryAction {
    // The edges moved: hand Low() and High() to the engine's SetPassband.
    bool edgesChanged = false;
    // A spectrum drag moved the picture: the tuned frequency moves by this
    // many Hz (the main window adds it to the shifter, or in "Center" tuning
    // takes it from the centre on its timer).
    double tuneHz = 0.0;
    // A spectrum drag ended: the main display re-centres.
    bool spectrumDragEnded = false;
};

// The secondary display without its widget: the narrow spectrum around the
// tuned frequency at the band-pass filter's rate, its Hz scale centred on
// the mode's carrier offset, and the passband edges as fractions of the
// rate, with the drags and the wheel that move them. The slide bar is
// disabled and always centred, so pixel W / 2 is bin N / 2.
//
// User-interface thread (the display thread reads the scale under the
// display's lock).
class SecondaryDisplayModel {
public:
    static constexpr int kBins = 256;
    static constexpr double kEdgeLimit = 0.4;       // |edge| at most, fraction of the rate
    static constexpr double kNarrowestBand = 0.05;  // high - low at least
    static constexpr int kHitPx = 5;                // an edge is hit within 5 pixels
    static constexpr int kWheelPx = 4;              // pixels per wheel notch and edge

    explicit SecondaryDisplayModel(int widthPx);

    // A new rate (filter change) or carrier offset (mode change): Hz per bin
    // and the scale's centring are recomputed. Nothing is retuned.
    void Configure(double rateKHz, double carrierOffsetHz);
    // The edges as the engine now has them (a filter's centre and width).
    void SetEdges(double low, double high);

    double Low() const { return low_; }
    double High() const { return high_; }
    double HzPerBin() const { return hzPerBin_; }
    double CarrierOffsetHz() const { return carrierHz_; }
    // The edges relative to the tuned frequency, kHz, for the main display.
    void EdgesKHz(double& lowKHz, double& highKHz) const;

    int FractionToPixel(double f) const;
    double PixelToFraction(int x) const;
    // The plot's passband band (no 4-pixel rule here).
    PassbandPixels BandPixels() const { return {FractionToPixel(low_), FractionToPixel(high_)}; }
    // The frequency under pixel x relative to the tuned frequency, Hz.
    double ClickHz(int x) const;
    // The high edge wins when both are within reach.
    PassbandEdge HitTest(int x) const;

    // Left button: on an edge, drag it (it jumps to x at once); elsewhere,
    // drag the spectrum.
    SecondaryAction Press(int x);
    SecondaryAction Move(int x);
    SecondaryAction Release();
    // Right button: drag both edges together, unless a left drag runs.
    SecondaryAction RightPress(int x);
    SecondaryAction RightRelease();
    // Wheel: a positive delta widens by 4 pixels on each side, else narrows.
    SecondaryAction Wheel(int delta);

    bool EdgeDragging() const { return edgeDrag_ != PassbandEdge::None; }
    bool SpectrumDragging() const { return spectrumDrag_; }
    bool ShiftDragging() const { return shiftDrag_; }

    SlideBarScale& Scale() { return scale_; }
    const SlideBarScale& Scale() const { return scale_; }

private:
    bool MoveEdge(PassbandEdge edge, int x);

    int width_;
    double rateKHz_ = 0.0;
    double carrierHz_ = 0.0;
    double hzPerBin_ = 0.0;
    double low_ = -0.3072;
    double high_ = 0.3072;
    PassbandEdge edgeDrag_ = PassbandEdge::None;
    bool spectrumDrag_ = false;
    bool shiftDrag_ = false;
    int lastX_ = 0;
    SlideBarScale scale_;
};

}  // namespace velorix
