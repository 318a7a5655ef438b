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
#include "SecondaryDisplayModel.h"

namespace velorix {

namespace {
constexpr int kInitialBins = 1024;

// The markers: a triangle with its tip on the trace and the marker's number
// above it, and the readouts right-aligned in the top-right corner.
// Returns whether any was drawn.
bool DrawMarkers(QImage& image, const MarkerList& markers) {
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
        const int right = image.width() - 3;
        p.drawText(QRect(0, top, right, h), Qt::AlignRight | Qt::AlignTop, m.frequencyLine);
        p.drawText(QRect(0, top + h + 2, right, h), Qt::AlignRight | Qt::AlignTop, m.levelLine);
    }
    return true;
}
}  // namespace

SpectrumView SecondaryView(SecondaryDisplayModel& model, int widthPx, int heightPx, int refLevelDb,
                           int dbPerDivision, double levelOffsetDb, int function) {
    SpectrumView view;
    view.function = function == 1 ? 1 : 0;
    view.bandVisible = view.function == 0;
    view.geometry = DisplayGeometry(widthPx, heightPx);
    view.geometry.Reconfigure(SecondaryDisplayModel::kBins,
                              model.HzPerBin() * 0.001 * SecondaryDisplayModel::kBins,
                              model.CarrierOffsetHz() * 0.001);
    view.refLevelDb = refLevelDb;
    view.dbPerDivision = dbPerDivision;
    view.levelOffsetDb = levelOffsetDb;
    // The tuned frequency is 0 Hz on the model's scale.
    view.tunedX = model.Scale().FrequencyToPixel(0.0);
    view.band = model.BandPixels();
    view.fixedGrid = true;
    for (const ScaleTick& t : model.Scale().Ticks())
        if (t.major) view.gridXs.push_back(t.x);
    return view;
}

SpectrumRenderer::SpectrumRenderer(int widthPx, int heightPx)
    : CDspConsumer(kDspTypeComplex, kInitialBins, 0),
      width_(widthPx),
      height_(heightPx),
      estimator_(0),
      waterfall_(widthPx, heightPx, QImage::Format_RGB32),
      frames_(widthPx, heightPx) {
    view_.geometry = DisplayGeometry(widthPx, heightPx);
    view_.geometry.Reconfigure(kInitialBins, 500.0, 0.0);
    waterfall_.fill(Qt::black);
    Resize(kInitialBins);
}

void SpectrumRenderer::Resize(int bins) {
    buffer->Resize(bins, 0);
    estimator_.SetSize(static_cast<unsigned>(bins), buffer->Main());
    db_ = nullptr;
    rows_.assign(static_cast<size_t>(bins), 1000);
    haveSpectrum_ = false;
}

void SpectrumRenderer::SetView(const SpectrumView& view) {
    std::lock_guard lock(mutex_);
    const int bins = view.geometry.Bins();
    const bool resize = bins != view_.geometry.Bins() && bins >= 2;
    view_ = view;
    if (resize) Resize(bins);
}

SpectrumView SpectrumRenderer::View() const {
    std::lock_guard lock(mutex_);
    return view_;
}

void SpectrumRenderer::SetAveraging(double factor) {
    estimator_.SetAveraging(factor);
}

void SpectrumRenderer::KeepWaterfall(int rows) {
    std::lock_guard lock(mutex_);
    keepWaterfall_ = true;
    waterfall_ = QImage(width_, std::max(rows, height_), QImage::Format_RGB32);
    waterfall_.fill(Qt::black);
    waterfallRow_ = 0;
    waterfallLines_ = 0;
}

void SpectrumRenderer::SetSignalPacing(double frameRateHz, SkipControl skip) {
    std::lock_guard lock(mutex_);
    frameRateHz_ = frameRateHz > 0.0 ? frameRateHz : 1.0;
    skip_ = std::move(skip);
}

void SpectrumRenderer::AddMarker(int x) {
    std::lock_guard lock(mutex_);
    markers_.Add(x);
}

void SpectrumRenderer::ClearMarkers() {
    std::lock_guard lock(mutex_);
    markers_.Clear();
}

void SpectrumRenderer::SetDeltaMarkers(bool on) {
    std::lock_guard lock(mutex_);
    markers_.SetDelta(on);
}

void SpectrumRenderer::ClearTrace() {
    std::lock_guard lock(mutex_);
    std::fill(rows_.begin(), rows_.end(), 1000);
    haveSpectrum_ = false;
}

void SpectrumRenderer::ClearWaterfall() {
    std::lock_guard lock(mutex_);
    waterfall_.fill(Qt::black);
    waterfallLines_ = 0;
}

void SpectrumRenderer::Rerender() {
    std::lock_guard lock(mutex_);
    // The view may have scrolled or changed its scale since the spectrum came.
    UpdateRows();
    Draw();
}

void SpectrumRenderer::Restart() {
    CDspConsumer::Restart();
    std::lock_guard lock(mutex_);
    if (frameRateHz_ > 0.0) {
        const double blocks = rate * 1000.0 / (frameRateHz_ * view_.geometry.Bins());
        blocksPerFrame_ = blocks > 1.0 ? static_cast<int>(std::min(std::ceil(blocks), 1e6)) : 1;
        // The first block after a restart is always shown.
        blocksSinceFrame_ = blocksPerFrame_;
        if (skip_) skip_(blocksPerFrame_ - 1);
    }
    ready.store(1, std::memory_order_release);
}

void SpectrumRenderer::BufferFull() {
    {
        std::lock_guard lock(mutex_);
        if (frameRateHz_ > 0.0) {
            // Each block that arrives stands for the ones dropped upstream before it.
            blocksSinceFrame_ += skip_ ? blocksPerFrame_ : 1;
            if (blocksSinceFrame_ >= blocksPerFrame_) {
                blocksSinceFrame_ = 0;
                Compute();
                // Set again each frame: a display restart clears the thread's limit.
                if (skip_) skip_(blocksPerFrame_ - 1);
            }
        } else {
            ready.store(0, std::memory_order_release);
            Compute();
        }
    }
    buffer->Commit();
}

void SpectrumRenderer::Compute() {
    const int n = view_.geometry.Bins();
    if (static_cast<int>(estimator_.Size()) != n) return;
    estimator_.ComplexFft();
    estimator_.ToDb();
    // The estimator keeps its levels until the next transform: no copy.
    db_ = estimator_.SwapHalves();
    ++spectra_;
    haveSpectrum_ = true;
    if (view_.function == 1 || keepWaterfall_) AddWaterfallLine();
    UpdateRows();
    markers_.Measure(view_.geometry, db_, rows_.data(), view_.levelOffsetDb);
    // Under signal pacing nobody looks at the frames while the stream runs:
    // the picture is drawn once, by Rerender, when it is asked for.
    if (frameRateHz_ == 0.0) Draw();
}

void SpectrumRenderer::UpdateRows() {
    if (!haveSpectrum_) return;
    const DisplayGeometry& g = view_.geometry;
    const int first = std::max(0, g.PixelToBin(0) - 1);
    const int last = std::min(g.Bins() - 1, g.PixelToBin(width_ - 1) + 1);
    if (first <= last)
        g.TraceRows(db_, first, last, view_.refLevelDb, view_.dbPerDivision, view_.levelOffsetDb,
                    rows_.data() + first);
}

void SpectrumRenderer::AddWaterfallLine() {
    const std::vector<int> indices = WaterfallIndices(db_, view_.geometry.Bins());
    waterfallRow_ = waterfallRow_ == 0 ? waterfall_.height() - 1 : waterfallRow_ - 1;
    PaintWaterfallLine(waterfall_, waterfallRow_, indices.data(), static_cast<int>(indices.size()),
                       view_.geometry.PixelToBin(0));
    waterfallLines_ = std::min(waterfallLines_ + 1, waterfall_.height());
}

void SpectrumRenderer::Draw() {
    DisplayGeometry& g = view_.geometry;
    const bool spectrum = view_.function != 1;
    gridXs_.clear();
    if (spectrum && view_.fixedGrid)
        gridXs_ = view_.gridXs;
    else if (spectrum)
        for (const ScaleTick& t : g.Scale().Ticks())
            if (t.major) gridXs_.push_back(t.x);
    PlotBackground layers;
    layers.band = view_.band;
    layers.bandVisible = view_.bandVisible;
    layers.grid = spectrum;
    layers.gridXs = &gridXs_;
    layers.border = spectrum;
    layers.tunedX = view_.tunedX;
    layers.cursorX = view_.cursorX;
    QImage& back = frames_.Back();
    DrawPlotBackground(back, layers);
    RowSpan trace;
    if (!spectrum) {
        OrWaterfall(back, waterfall_, waterfallRow_);
    } else if (haveSpectrum_) {
        const int first = std::max(g.FirstDrawnBin(), g.PixelToBin(0) - 1);
        const int last = std::min(g.LastDrawnBin(), g.PixelToBin(width_ - 1) + 1);
        if (first <= last) {
            const int* rows = rows_.data() + first;
            DrawTrace(back, rows, g.BinToPixel(first), last - first + 1, plotcolour::kTrace);
            // Every run of the trace lies between its highest and lowest row.
            const auto [lo, hi] = std::minmax_element(rows, rows + (last - first + 1));
            trace = RowSpan{std::max(*lo, 0), std::min(*hi, height_ - 1)};
        }
    }
    const bool marked = DrawMarkers(back, markers_);

    // Over an unchanged background only the old and the new trace differ.
    RowSpan changed{0, height_ - 1};
    if (spectrum && !marked && !lastMarked_ && lastGridXs_.has_value()) {
        PlotBackground last = lastLayers_;
        last.gridXs = &*lastGridXs_;
        if (SameBackground(layers, last)) changed = trace.Union(lastTrace_);
    }
    lastLayers_ = layers;
    lastLayers_.gridXs = nullptr;
    lastGridXs_ = gridXs_;
    lastTrace_ = trace;
    lastMarked_ = marked;
    frames_.Publish(changed);
}

int SpectrumRenderer::FftSize() const {
    std::lock_guard lock(mutex_);
    return view_.geometry.Bins();
}

std::uint64_t SpectrumRenderer::Spectra() const {
    std::lock_guard lock(mutex_);
    return spectra_;
}

int SpectrumRenderer::BlocksPerFrame() const {
    std::lock_guard lock(mutex_);
    return blocksPerFrame_;
}

std::vector<double> SpectrumRenderer::LastSpectrumDb() const {
    std::lock_guard lock(mutex_);
    if (!haveSpectrum_) return {};
    return std::vector<double>(db_, db_ + view_.geometry.Bins());
}

QImage SpectrumRenderer::WaterfallImage() const {
    std::lock_guard lock(mutex_);
    QImage out(width_, std::max(waterfallLines_, 1), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < waterfallLines_; ++y)
        std::memcpy(out.scanLine(y),
                    waterfall_.constScanLine((waterfallRow_ + y) % waterfall_.height()),
                    static_cast<size_t>(width_) * 4);
    return out;
}

int SpectrumRenderer::WaterfallLines() const {
    std::lock_guard lock(mutex_);
    return waterfallLines_;
}

std::vector<Marker> SpectrumRenderer::Markers() const {
    std::lock_guard lock(mutex_);
    std::vector<Marker> out;
    for (int i = 0; i < markers_.Count(); ++i)
        out.push_back(markers_.At(i));
    return out;
}

}  // namespace velorix
