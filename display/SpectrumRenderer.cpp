#include "SpectrumRenderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "DisplayFont.h"
#include "DisplayTables.h"
#include "PlotLayers.h"

namespace velorix {

namespace {
constexpr int kInitialBins = 1024;

// The markers: a triangle with its tip on the trace and the marker's number
// above it, and the readouts right-aligned in the top-right corner.
// Returns whether any was drawn.
bool DrawMarkers(QImage& image, int widthPx, const MarkerList& markers) {
    bool any = false;
    for (int i = 0; i < markers.Count(); ++i)
        any = any || markers.At(i).Measured();
    if (!any) return false;
    QPainter p(&image);
    const QFont font = DisplayFont(6.8);
    p.setFont(font);
    p.setPen(QColor::fromRgb(plotcolour::kTrace));
    const int h = QFontMetrics(font).height();
    int k = 0;
    for (int i = 0; i < markers.Count(); ++i) {
        const Marker& m = markers.At(i);
        if (!m.Measured()) continue;
        const QPoint tip[] = {{m.x, m.y}, {m.x + 4, m.y - 6}, {m.x - 4, m.y - 6}};
        p.drawPolygon(tip, 3);
        p.drawText(QRect(m.x - 20, m.y - 8 - h, 40, h), Qt::AlignHCenter | Qt::AlignBottom,
                   QString::number(i + 1));
        const int top = MarkerList::ReadoutTop(k++, h, 0);
        const int right = widthPx - 3;
        p.drawText(QRect(0, top, right, h), Qt::AlignRight | Qt::AlignTop, m.frequencyLine);
        p.drawText(QRect(0, top + h + 2, right, h), Qt::AlignRight | Qt::AlignTop, m.levelLine);
    }
    return true;
}
}  // namespace

SpectrumRenderer::SpectrumRenderer(int widthPx, int heightPx)
    : CDspConsumer(kDspTypeComplex, kInitialBins, 0),
      width_(widthPx),
      height_(heightPx),
      estimator_(0),
      waterfall_(widthPx, heightPx, QImage::Format_RGB32),
      frames_(widthPx, heightPx) {
    auto initial = std::make_shared<DisplayState>();
    initial->geometry = DisplayGeometry(widthPx, heightPx);
    initial->geometry.Reconfigure(kInitialBins, 500.0, 0.0);
    state_ = std::move(initial);
    waterfall_.fill(Qt::black);
    Resize(kInitialBins);
}

void SpectrumRenderer::Show(std::shared_ptr<const DisplayState> state) {
    std::lock_guard held(mailboxMutex_);
    mailbox_ = std::move(state);
}

void SpectrumRenderer::TakeRatio() {
    const double ratio = PlotRatio(frames_.RequestedRatio());
    if (ratio == ratio_) return;
    ratio_ = ratio;
    frames_.SetRatio(ratio);
    // The new pictures hold nothing: the next frame draws every row.
    drewBefore_ = false;
    drawn_ = false;
}

bool SpectrumRenderer::TakeState() {
    TakeRatio();
    std::shared_ptr<const DisplayState> next;
    {
        std::lock_guard held(mailboxMutex_);
        next.swap(mailbox_);
    }
    if (!next) return false;
    const DisplayState& s = *next;
    const DisplayState& was = *state_;
    if (s.traceClears != was.traceClears) {
        std::fill(rows_.begin(), rows_.end(), 1000);
        std::fill(deviceRows_.begin(), deviceRows_.end(), 1000);
        haveSpectrum_ = false;
    }
    if (s.waterfallClears != was.waterfallClears) {
        waterfall_.fill(Qt::black);
        waterfallLines_ = 0;
    }
    if (s.averaging != was.averaging) estimator_.SetAveraging(s.averaging);
    if (s.markerXs != was.markerXs || s.deltaMarkers != was.deltaMarkers) {
        markers_ = MarkerList{};
        for (const int x : s.markerXs)
            markers_.Add(x);
        markers_.SetDelta(s.deltaMarkers);
    }
    const bool newBins = s.geometry.Bins() != was.geometry.Bins();
    state_ = std::move(next);
    if (newBins) Pace();
    drawn_ = false;
    return true;
}

void SpectrumRenderer::Resize(int bins) {
    buffer->Resize(bins, 0);
    estimator_.SetSize(static_cast<unsigned>(bins), buffer->Main());
    db_ = nullptr;
    rows_.assign(static_cast<size_t>(bins), 1000);
    deviceRows_.assign(static_cast<size_t>(bins), 1000);
    haveSpectrum_ = false;
}

void SpectrumRenderer::KeepWaterfall(int rows) {
    keepWaterfall_ = true;
    waterfall_ = QImage(width_, std::max(rows, height_), QImage::Format_RGB32);
    waterfall_.fill(Qt::black);
    waterfallRow_ = 0;
    waterfallLines_ = 0;
}

void SpectrumRenderer::SetSignalPacing(double frameRateHz, SkipControl skip) {
    frameRateHz_ = frameRateHz > 0.0 ? frameRateHz : 1.0;
    skip_ = std::move(skip);
}

void SpectrumRenderer::Pace() {
    if (frameRateHz_ == 0.0) return;
    const double blocks = rate * 1000.0 / (frameRateHz_ * state_->geometry.Bins());
    blocksPerFrame_ = blocks > 1.0 ? static_cast<int>(std::min(std::ceil(blocks), 1e6)) : 1;
    if (skip_) skip_(blocksPerFrame_ - 1);
}

void SpectrumRenderer::Restart() {
    CDspConsumer::Restart();
    Pace();
    ready.store(1, std::memory_order_release);
}

void SpectrumRenderer::BufferFull() {
    TakeState();
    const int bins = state_->geometry.Bins();
    if (bins >= 2 && bins != FftSize()) {
        // A new FFT size: the block in hand is of the old one.
        Resize(bins);
        return;
    }
    if (frameRateHz_ > 0.0) {
        // Every block that comes stands for a frame's worth of signal: the
        // skip limit dropped the ones between. Set again each frame, since a
        // display restart clears the thread's limit.
        Compute();
        if (skip_) skip_(blocksPerFrame_ - 1);
    } else if (FrameDue()) {
        ready.store(0, std::memory_order_release);
        Compute();
        Draw();
    }
    buffer->Commit();
}

bool SpectrumRenderer::FrameDue() {
    const int interval = frameIntervalMs_.load();
    if (interval <= 0) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextFrame_) return false;
    // The frames keep the interval on average, each on the first block due,
    // and never come in a burst after a pause.
    const std::chrono::milliseconds period(interval);
    nextFrame_ = std::max(nextFrame_ + period, now + period / 2);
    return true;
}

void SpectrumRenderer::Idle() {
    TakeState();
    // Under signal pacing nobody looks at the frames while the stream runs.
    if (drawn_ || frameRateHz_ > 0.0) return;
    ready.store(0, std::memory_order_release);
    UpdateRows();
    Draw();
}

void SpectrumRenderer::Render() {
    TakeState();
    UpdateRows();
    Draw();
}

bool SpectrumRenderer::HaveSpectrum() const {
    return haveSpectrum_ && FftSize() == state_->geometry.Bins();
}

void SpectrumRenderer::Compute() {
    if (FftSize() != state_->geometry.Bins()) return;
    estimator_.ComplexFft();
    estimator_.ToDb();
    // The estimator keeps its levels until the next transform: no copy.
    db_ = estimator_.SwapHalves();
    spectra_.fetch_add(1);
    haveSpectrum_ = true;
    if (state_->function == 1 || keepWaterfall_) AddWaterfallLine();
    UpdateRows();
}

void SpectrumRenderer::UpdateRows() {
    if (!HaveSpectrum()) return;
    const DisplayState& s = *state_;
    const DisplayGeometry& g = s.geometry;
    const int first = std::max(0, g.PixelToBin(0) - 1);
    const int last = std::min(g.Bins() - 1, g.PixelToBin(width_ - 1) + 1);
    if (first <= last) {
        g.TraceRows(db_, first, last, s.refLevelDb, s.dbPerDivision, s.levelOffsetDb,
                    rows_.data() + first);
        // A finer picture has the trace at its own rows.
        if (ratio_ != 1.0)
            g.TraceRows(db_, first, last, s.refLevelDb, s.dbPerDivision, s.levelOffsetDb,
                        deviceRows_.data() + first, ratio_);
    }
    markers_.Measure(g, db_, rows_.data(), s.levelOffsetDb);
}

void SpectrumRenderer::AddWaterfallLine() {
    const DisplayGeometry& g = state_->geometry;
    const std::vector<int> indices = WaterfallIndices(db_, g.Bins());
    waterfallRow_ = waterfallRow_ == 0 ? waterfall_.height() - 1 : waterfallRow_ - 1;
    PaintWaterfallLine(waterfall_, waterfallRow_, indices.data(), static_cast<int>(indices.size()),
                       g.PixelToBin(0));
    waterfallLines_ = std::min(waterfallLines_ + 1, waterfall_.height());
}

void SpectrumRenderer::Draw() {
    drawn_ = true;
    const DisplayState& s = *state_;
    const DisplayGeometry& g = s.geometry;
    const bool spectrum = s.function != 1;
    gridXs_.clear();
    if (spectrum)
        for (const ScaleTick& t : g.Scale().Ticks())
            if (t.major) gridXs_.push_back(t.x);
    PlotBackground layers;
    layers.band = s.band;
    // The waterfall shows the band only under the pointer, which the widget paints.
    layers.bandVisible = spectrum;
    layers.grid = spectrum;
    layers.gridXs = &gridXs_;
    layers.border = spectrum;
    layers.tunedX = s.tunedX;
    QImage& back = frames_.Back();
    DrawPlotBackground(back, layers);
    RowSpan trace;
    if (!spectrum) {
        OrWaterfall(back, waterfall_, waterfallRow_);
    } else if (HaveSpectrum()) {
        const int first = std::max(g.FirstDrawnBin(), g.PixelToBin(0) - 1);
        const int last = std::min(g.LastDrawnBin(), g.PixelToBin(width_ - 1) + 1);
        if (first <= last) {
            const int* rows = (ratio_ == 1.0 ? rows_ : deviceRows_).data() + first;
            DrawTrace(back, rows, g.BinToPixel(first), last - first + 1, plotcolour::kTrace);
            // Every run of the trace lies between its highest and lowest row.
            const auto [lo, hi] = std::minmax_element(rows, rows + (last - first + 1));
            const DevicePixels dp(ratio_);
            trace = RowSpan{dp.Of(std::max(*lo, 0)), dp.Of(std::min(*hi, back.height() - 1))};
        }
    }
    static const std::vector<StationLabel> kNone;
    const bool newLabels = labels_.Draw(back, spectrum ? s.stationLabels : kNone);
    const bool marked = DrawMarkers(back, width_, markers_);

    // Over an unchanged background and unchanged labels only the old and the
    // new trace differ.
    RowSpan changed{0, height_ - 1};
    if (spectrum && !marked && !lastMarked_ && drewBefore_ && !newLabels) {
        PlotBackground last = lastLayers_;
        last.gridXs = &lastGridXs_;
        if (SameBackground(layers, last)) changed = trace.Union(lastTrace_);
    }
    lastLayers_ = layers;
    lastLayers_.gridXs = nullptr;
    lastGridXs_ = gridXs_;
    drewBefore_ = true;
    lastTrace_ = trace;
    lastMarked_ = marked;
    frames_.Publish(changed);
}

std::vector<double> SpectrumRenderer::LastSpectrumDb() const {
    if (!HaveSpectrum()) return {};
    return std::vector<double>(db_, db_ + FftSize());
}

QImage SpectrumRenderer::WaterfallImage() const {
    QImage out(width_, std::max(waterfallLines_, 1), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < waterfallLines_; ++y)
        std::memcpy(out.scanLine(y),
                    waterfall_.constScanLine((waterfallRow_ + y) % waterfall_.height()),
                    static_cast<size_t>(width_) * 4);
    return out;
}

std::vector<Marker> SpectrumRenderer::Markers() const {
    std::vector<Marker> out;
    for (int i = 0; i < markers_.Count(); ++i)
        out.push_back(markers_.At(i));
    return out;
}

}  // namespace velorix
