#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "DisplayIntents.h"
#include "DisplayState.h"

namespace velorix::test {

// The main display's state at 500 kHz, 4096 bins, around 14 150 kHz with the
// tuned line at the centre and the band 20 pixels right of it.
std::shared_ptr<const DisplayState> MainState(int function = 0);

// A window stand-in: records every intent; a passband drag is followed
// while the pointer stays over the 820 pixels of the plot.
class RecordingIntents : public DisplayIntents {
public:
    void DoubleClick(DisplayId d, int x) override { clicks.push_back({d, x}); }
    void AddMarker(int x) override { markers.push_back(x); }
    bool DragPassband(int fromX, int toX) override {
        drags.push_back({fromX, toX});
        return toX >= 0 && toX < kMainPlotWidth;
    }
    void BeginScroll() override { ++scrollBegins; }
    void Scroll(int dxPx) override { scrolls.push_back(dxPx); }
    void EndScroll() override { ++scrollEnds; }
    void SetPassbandEdges(double low, double high) override { edges.push_back({low, high}); }
    void BeginSpectrumDrag() override { ++spectrumDragBegins; }
    void DragSpectrum(double hz) override { spectrumDrags.push_back(hz); }
    void RetuneDraggedCentre() override { ++centreRetunes; }
    void EndSpectrumDrag() override { ++spectrumDragEnds; }
    void Wheel(int delta) override { wheels.push_back(delta); }

    std::vector<std::pair<DisplayId, int>> clicks;
    std::vector<int> markers;
    std::vector<std::pair<int, int>> drags;
    int scrollBegins = 0, scrollEnds = 0;
    std::vector<int> scrolls;
    std::vector<std::pair<double, double>> edges;
    int spectrumDragBegins = 0, centreRetunes = 0, spectrumDragEnds = 0;
    std::vector<double> spectrumDrags;
    std::vector<int> wheels;
};

}  // namespace velorix::test
