#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DisplayGeometry.h"
#include "DspBlock.h"
#include "FrameExchange.h"
#include "MarkerList.h"
#include "PlotLayers.h"
#include "SpectrumEstimator.h"

namespace velorix {

// What a display draws with, handed in by the user-interface thread: the
// renderer never reads the settings record.
struct SpectrumView {
    DisplayGeometry geometry{820, 249};
    int refLevelDb = -30;
    int dbPerDivision = 10;
    double levelOffsetDb = 0.0;  // LevelCalibrationDb of the settings
    int function = 0;            // 0 spectrum, 1 waterfall
    int tunedX = 0;
    int cursorX = 0;
    PassbandPixels band;
    bool bandVisible = true;
    // The vertical grid: the scale's major ticks of `geometry`, or these
    // columns when given (the secondary display's Hz scale).
    bool fixedGrid = false;
    std::vector<int> gridXs;
};

class SecondaryDisplayModel;
// The secondary display's view: N = 256 bins centred on the carrier offset,
// the passband band at the edges' pixels and the vertical grid under the
// model's Hz labels. Its waterfall (function 1) hides the band.
SpectrumView SecondaryView(SecondaryDisplayModel& model, int widthPx, int heightPx, int refLevelDb,
                           int dbPerDivision, double levelOffsetDb, int function);

// A spectrum display's renderer (the main display's and the secondary
// one's): a consumer of N-sample blocks on its display thread. Each block becomes one averaged
// spectrum, drawn as a trace over the grid or as a new waterfall line, with the markers, into the
// back image of its frame exchange, which it then publishes.
//
// In the window it clears its ready flag with each spectrum and the paint of
// the published frame sets it again (SetReady), so at most one spectrum is
// computed per painted frame. Without a screen, SetSignalPacing computes at
// most the frame rate's worth of spectra per second of signal instead.
//
// Locks: everything it draws with is guarded by its own mutex, which the
// user-interface thread takes in SetView and the other setters. The chain
// lock is taken before it, never after.
class SpectrumRenderer : public CDspConsumer {
public:
    // Drops n blocks upstream between two handed over (the display thread's
    // skip limit).
    using SkipControl = std::function<void(int n)>;

    SpectrumRenderer(int widthPx, int heightPx);

    // A new view. When its number of bins differs from the current one, the
    // input buffer and the estimator are resized and the trace restarts: the
    // caller then holds the feeding block's lock, as for any reconfiguration.
    void SetView(const SpectrumView& view);
    SpectrumView View() const;
    void SetAveraging(double factor);
    // Keeps the last `rows` waterfall lines (at least the plot's height) even
    // while the spectrum is shown; the headless receiver's picture.
    void KeepWaterfall(int rows);
    // Paces the spectra by signal time rather than by paints. The frames are
    // then not drawn per spectrum (only the waterfall lines are kept): call
    // Rerender for the picture.
    void SetSignalPacing(double frameRateHz, SkipControl skip = {});

    void AddMarker(int x);
    void ClearMarkers();
    void SetDeltaMarkers(bool on);
    void ClearTrace();
    void ClearWaterfall();
    // Draws the last spectrum again with the current view and publishes it
    // (a moved line, band or marker while no blocks arrive).
    void Rerender();

    void Restart() override;
    void BufferFull() override;
    std::string& GetName(std::string& name) override { return name = "CDisplay"; }
    // The published frame was painted (or the plot is hidden): the next block is welcome.
    void SetReady() { ready.store(1, std::memory_order_release); }

    FrameExchange& Frames() { return frames_; }
    int FftSize() const;
    std::uint64_t Spectra() const;
    // Blocks of signal per frame under signal pacing (≥ 1).
    int BlocksPerFrame() const;
    std::vector<double> LastSpectrumDb() const;
    // The waterfall lines kept so far, newest at row 0.
    QImage WaterfallImage() const;
    int WaterfallLines() const;
    std::vector<Marker> Markers() const;

private:
    void Resize(int bins);
    void Compute();
    // Trace rows of the visible bins of the last spectrum.
    void UpdateRows();
    void Draw();
    void AddWaterfallLine();

    const int width_;
    const int height_;
    mutable std::mutex mutex_;
    SpectrumView view_;
    CSpectrumEstimator estimator_;
    // The last spectrum, N levels in the estimator's own array (valid while
    // haveSpectrum_).
    const double* db_ = nullptr;
    std::vector<int> rows_;
    bool haveSpectrum_ = false;
    MarkerList markers_;
    QImage waterfall_;
    int waterfallRow_ = 0;
    int waterfallLines_ = 0;
    bool keepWaterfall_ = false;
    std::vector<int> gridXs_;
    // What the last frame drew, to publish only the rows the next one changes.
    PlotBackground lastLayers_;
    std::optional<std::vector<int>> lastGridXs_;  // none before the first frame
    RowSpan lastTrace_;
    bool lastMarked_ = false;
    FrameExchange frames_;
    std::uint64_t spectra_ = 0;
    double frameRateHz_ = 0.0;  // 0: paced by paints
    SkipControl skip_;
    int blocksPerFrame_ = 1;
    int blocksSinceFrame_ = 0;
};

}  // namespace velorix
