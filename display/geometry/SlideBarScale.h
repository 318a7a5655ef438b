#pragma once

#include <vector>

namespace velorix {

// One tick of a frequency scale, in pixels of the bar (and of the plot above
// it, whose vertical grid follows the major ticks).
struct ScaleTick {
    int x = 0;
    bool major = false;
    char label[16] = {};  // "%.0f" of the frequency on major ticks, else empty
    bool operator==(const ScaleTick&) const = default;
};

// The frequency scale under a plot: which window of the N bins is visible,
// where a frequency falls, and the ticks and labels. One pixel column is one
// bin. The unit of the frequencies is the display's own: kHz for the main
// display, Hz for the secondary one.
//
// The position is the bin shown at pixel W / 2. In free-scroll mode it may
// run from -N to 2N; otherwise it keeps the drawn range filling the bar, and
// the bar is disabled when the range is narrower than the bar.
//
// A value: a display's state carries a copy, which any thread may read.
class SlideBarScale {
public:
    explicit SlideBarScale(int widthPx);

    // The drawn range of bins (first, last). Outside free-scroll mode the
    // bar is enabled exactly when it is narrower than the range.
    void SetRange(int firstBin, int lastBin);
    void SetFreeScroll(bool on);
    // N bins, the frequency of the band centre and the frequency per bin;
    // returns the new position. Free scroll: centred when `recentre`.
    // Otherwise the position keeps its place in the band (scaled to the new
    // N and held inside the range), or is centred when the range is narrower
    // than the bar.
    int Configure(int bins, double centre, double perBin, bool recentre);

    // Moves the view by a mouse drag of dx pixels (the picture follows the
    // mouse, so the position moves the other way), held to the limits.
    // Returns true when the position changed.
    bool Drag(int dxPx);

    // The frequency at the middle of the bar.
    double VisibleCentre() const;
    // Pixel of a frequency; 0 while the frequency per bin is 0.
    int FrequencyToPixel(double f) const;

    // The ticks of the visible window, as the last change left them.
    const std::vector<ScaleTick>& Ticks() const { return ticks_; }
    // Tick spacing in the display's unit, and a label every how many ticks.
    double TickSpacing() const { return spacing_; }
    int LabelPeriod() const { return labelPeriod_; }

    int Width() const { return width_; }
    int Bins() const { return bins_; }
    int Position() const { return position_; }
    int Lowest() const { return lowest_; }
    int Highest() const { return highest_; }
    double PerBin() const { return perBin_; }
    double Centre() const { return centre_; }
    bool Enabled() const { return enabled_; }
    bool FreeScroll() const { return freeScroll_; }

    bool operator==(const SlideBarScale&) const = default;

private:
    void ComputeSpacing();
    void ComputeTicks();

    int width_;
    bool freeScroll_ = true;
    bool enabled_ = true;
    int first_ = 0;
    int last_ = 0;
    int bins_;
    int position_;
    int lowest_;
    int highest_;
    double perBin_ = 1.0;
    double centre_ = 0.0;
    double spacing_ = 0.0;
    int labelPeriod_ = 10;
    std::vector<ScaleTick> ticks_;
};

}  // namespace velorix
