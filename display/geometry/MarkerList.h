#pragma once

#include <array>

namespace velorix {

class DisplayGeometry;

// One marker: a fixed pixel column of the plot, and what was read there
// after the last spectrum.
struct Marker {
    int x = 0;
    int y = 0;              // trace row at the marker
    bool measured = false;  // false: nothing drawn, no readout
    double kHz = -1.0;
    double levelDb = 0.0;
    bool relative = false;  // kHz and level are differences to marker 1
    char frequencyLine[40] = {};
    char levelLine[40] = {};
    bool Measured() const { return measured; }
};

// The main display's markers: up to four pixel columns, placed by right
// clicks, read after every spectrum, with their readout texts. With the
// delta flag on, markers 2 to 4 read relative to marker 1 when marker 1 has
// a reading. A marker whose column shows no bin (the view was scrolled past
// the band) has no reading: no symbol and no readout lines.
//
// Lives on the display thread that measures it; the user-interface thread
// adds, clears and switches the delta flag under the display's lock.
class MarkerList {
public:
    static constexpr int kMaxMarkers = 4;

    // Adds a marker at pixel column x; false (nothing added) when four exist.
    bool Add(int x);
    void Clear() { count_ = 0; }
    void SetDelta(bool on) { delta_ = on; }
    bool Delta() const { return delta_; }
    int Count() const { return count_; }
    const Marker& At(int i) const { return markers_[static_cast<std::size_t>(i)]; }

    // Reads every marker from the spectrum just computed: `levelsDb` and
    // `traceRows` hold one value per bin of `geometry`; the level
    // calibration is added to the levels. Formats the readout lines.
    void Measure(const DisplayGeometry& geometry, const double* levelsDb, const int* traceRows,
                 double levelOffsetDb);

    // Top of the k-th measured marker's first readout line (k from 0); the
    // second line is fontHeightPx + 2 below it. Lines are right-aligned at
    // the plot's right edge - 3.
    static int ReadoutTop(int k, int fontHeightPx, int plotTop) {
        return plotTop + 3 + k * (2 * fontHeightPx + 10);
    }

private:
    std::array<Marker, kMaxMarkers> markers_{};
    int count_ = 0;
    bool delta_ = false;
};

}  // namespace velorix
