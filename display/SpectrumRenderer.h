#pragma once

#include <QImage>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DisplayState.h"
#include "DspBlock.h"
#include "FrameExchange.h"
#include "MarkerList.h"
#include "PlotLayers.h"
#include "SpectrumEstimator.h"
#include "StationLabelPainter.h"

namespace velorix {

// A spectrum display's renderer (the main display's and the secondary
// one's): a consumer of N-sample blocks on its display thread. Each block
// becomes one averaged spectrum, drawn as a trace over the grid or as a new
// waterfall line, with the markers, into the back image of its frame
// exchange, which it then publishes.
//
// It draws what the display's state says. A new state is posted into a
// one-slot mailbox (Show) from any thread; the display thread takes it with
// its next block, or on its idle tick when no blocks come (a paused file),
// and draws the last spectrum with it. Only the display thread renders.
//
// Pacing: in the window a published frame clears the ready flag until the
// widget has painted it (SetReady), so at most one spectrum is computed per
// painted frame, and blocks that come sooner than the frame interval after
// the last frame (PaceToScreen) are passed over. Without a screen,
// SetSignalPacing instead sets the feeding thread's skip limit so that at
// most the frame rate's worth of spectra is computed per second of signal,
// and frames are drawn only when asked for.
//
// The frames are drawn at the device pixel ratio the widget asks for
// through the frame exchange (lines over whole device pixels, the trace at
// device rows, text at the device's resolution); the state's coordinates
// stay in window pixels.
//
// Threads: Show and SetReady from any thread; everything else on the display
// thread (BufferFull, Idle, and Restart under the thread's lock), or, for
// Render and the readings, once no block comes any more.
class SpectrumRenderer : public CDspConsumer {
public:
    // Drops n blocks upstream between two handed over (the display thread's
    // skip limit).
    using SkipControl = std::function<void(int n)>;
    // The idle tick: a state posted while no blocks come is drawn this late.
    static constexpr int kIdlePeriodMs = 33;

    SpectrumRenderer(int widthPx, int heightPx);

    // The display's newest state; a state not yet taken is replaced.
    void Show(std::shared_ptr<const DisplayState> state);
    // Keeps the last `rows` waterfall lines (at least the plot's height) even
    // while the spectrum is shown; the headless receiver's picture.
    void KeepWaterfall(int rows);
    // Paces the spectra by signal time rather than by paints, through the
    // feeding thread's skip limit. The frames are then not drawn per
    // spectrum (only the waterfall lines are kept): call Render for the picture.
    void SetSignalPacing(double frameRateHz, SkipControl skip);
    // Draws at most one frame per interval on average (the window's frame
    // rate); 0, the default: a frame for every block taken.
    void PaceToScreen(int frameIntervalMs) { frameIntervalMs_.store(frameIntervalMs); }

    void Restart() override;
    void BufferFull() override;
    int IdlePeriodMs() const override { return kIdlePeriodMs; }
    void Idle() override;
    std::string& GetName(std::string& name) override { return name = "CDisplay"; }
    // The published frame was painted (or the plot is hidden): the next block is welcome.
    void SetReady() { ready.store(1, std::memory_order_release); }

    // Takes the newest state and draws the last spectrum with it, now.
    void Render();

    FrameExchange& Frames() { return frames_; }
    int FftSize() const { return static_cast<int>(estimator_.Size()); }
    std::uint64_t Spectra() const { return spectra_.load(); }
    // Blocks of signal per frame under signal pacing (≥ 1).
    int BlocksPerFrame() const { return blocksPerFrame_; }
    std::vector<double> LastSpectrumDb() const;
    // The waterfall lines kept so far, newest at row 0.
    QImage WaterfallImage() const;
    int WaterfallLines() const { return waterfallLines_; }
    std::vector<Marker> Markers() const;

private:
    // Takes a posted state; true when there was one. Takes the device pixel
    // ratio the widget asked for first.
    bool TakeState();
    void TakeRatio();
    void Resize(int bins);
    void Pace();
    // Whether a block now makes a frame under PaceToScreen's interval.
    bool FrameDue();
    void Compute();
    // Whether the last spectrum fits the state's bins.
    bool HaveSpectrum() const;
    // Trace rows of the visible bins of the last spectrum, and the markers.
    void UpdateRows();
    void Draw();
    void AddWaterfallLine();

    const int width_;
    const int height_;
    std::mutex mailboxMutex_;
    std::shared_ptr<const DisplayState> mailbox_;  // under mailboxMutex_
    std::shared_ptr<const DisplayState> state_;
    bool drawn_ = true;  // the state has been drawn since it was taken
    CSpectrumEstimator estimator_;
    // The last spectrum, N levels in the estimator's own array (valid while
    // haveSpectrum_).
    const double* db_ = nullptr;
    std::vector<int> rows_;
    // The trace's rows in device pixels, when those are finer.
    std::vector<int> deviceRows_;
    double ratio_ = 1.0;  // device pixels per window pixel of the frames
    bool haveSpectrum_ = false;
    MarkerList markers_;
    QImage waterfall_;
    int waterfallRow_ = 0;
    int waterfallLines_ = 0;
    bool keepWaterfall_ = false;
    std::vector<int> gridXs_;
    // What the last frame drew, to publish only the rows the next one changes.
    PlotBackground lastLayers_;
    std::vector<int> lastGridXs_;
    bool drewBefore_ = false;
    RowSpan lastTrace_;
    bool lastMarked_ = false;
    StationLabelPainter labels_;
    FrameExchange frames_;
    std::atomic<std::uint64_t> spectra_{0};
    double frameRateHz_ = 0.0;  // 0: paced by paints
    SkipControl skip_;
    int blocksPerFrame_ = 1;
    std::atomic<int> frameIntervalMs_{0};
    std::chrono::steady_clock::time_point nextFrame_{};
};

}  // namespace velorix
