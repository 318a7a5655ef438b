#pragma once

#include <cstdint>

#include "SlideBarScale.h"

namespace velorix {

// Low and high x of a passband band on a plot.
struct PassbandPixels {
    int low = -1;
    int high = -1;
    bool operator==(const PassbandPixels&) const = default;
};

// Keeps each edge at least 4 pixels from the tuned line, so a narrow band
// stays visible around it.
PassbandPixels KeepClearOfTunedLine(PassbandPixels band, int tunedX);

// The main display's geometry: N bins of the spectrum, the drawn range
// (the central 80 %), the visible window the slide bar scrolls, and the
// conversions between bins, pixels and kHz. One pixel column is one bin.
// Also the arithmetic of the display's mouse tuning, in whole Hz; whoever
// tunes with the offsets holds them within the tuning shifter's reach.
//
// A value without Qt or anything else of the program: a display's state
// carries a copy, which any thread may read.
class DisplayGeometry {
public:
    DisplayGeometry(int widthPx, int heightPx);

    // A new FFT size or rate: the drawn range, the kHz per bin, and the
    // slide bar centred on the band centre.
    void Reconfigure(int fftSize, double rateKHz, double centreKHz);
    // A new centre frequency: the slide bar re-centred on it.
    void OnCentreChanged(double centreKHz);
    void SetFreeScroll(bool on);
    // The slide bar was dragged by dx pixels; true when the view moved.
    bool DragScale(int dxPx);

    int PixelToBin(int x) const { return visibleCentreBin_ + x - width_ / 2; }
    int BinToPixel(int bin) const { return width_ / 2 + bin - visibleCentreBin_; }
    double BinToKHz(int bin) const;
    int KHzToPixel(double kHz) const { return scale_.FrequencyToPixel(kHz); }
    // The passband band around the tuned frequency, its edges given relative
    // to it in kHz (the secondary display's EdgesKHz), kept clear of the
    // tuned line at tunedX.
    PassbandPixels BandPixels(double tunedKHz, double lowKHz, double highKHz, int tunedX) const;

    // Rows of the spectrum trace for bins first … last of `levelsDb`: the
    // reference level at row 0, 15 divisions down the plot, after adding
    // the level calibration. Rows are not clamped to the plot. With a
    // `rowsPerPixel` above 1 they are rows of a finer picture of the plot
    // (device pixels on a high-resolution screen).
    void TraceRows(const double* levelsDb, int first, int last, int refLevelDb, int dbPerDivision,
                   double levelOffsetDb, int* rows, double rowsPerPixel = 1.0) const;

    // Double click: the frequency clicked, in whole kHz except in CW (mode 2)
    // and the modes above DRM, which tune to the exact bin.
    double ClickKHz(int x, int demIdx) const;
    // The tuning offset that puts the tuned frequency at kHz, in Hz.
    static std::int64_t OffsetForKHz(std::int64_t centerHz, double kHz);
    // Passband drag from lastX to x: the new offset, Hz.
    std::int64_t DragOffsetHz(int offsetHz, int lastX, int x) const;
    // Slide bar drag: the offset that keeps the tuned frequency on the screen
    // while the view moves from `pressedCentreKHz`, Hz.
    std::int64_t ScrollOffsetHz(double pressedOffsetHz, double pressedCentreKHz) const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Bins() const { return bins_; }
    int FirstDrawnBin() const { return firstDrawn_; }
    int LastDrawnBin() const { return lastDrawn_; }
    double KHzPerBin() const { return kHzPerBin_; }
    int VisibleCentreBin() const { return visibleCentreBin_; }
    double VisibleCentreKHz() const { return scale_.VisibleCentre(); }
    const SlideBarScale& Scale() const { return scale_; }

    bool operator==(const DisplayGeometry&) const = default;

private:
    int width_;
    int height_;
    int bins_ = 0;
    int firstDrawn_ = 0;
    int lastDrawn_ = 0;
    double rateKHz_ = 0.0;
    double kHzPerBin_ = 0.0;
    int visibleCentreBin_ = 0;
    SlideBarScale scale_;
};

}  // namespace velorix
