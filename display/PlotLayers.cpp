#include "PlotLayers.h"

#include <algorithm>

#include "DisplayTables.h"

namespace velorix {

namespace {

// An RGB32 image's pixels, taken once (QImage::scanLine checks for a
// detach on every call).
struct Raster {
    explicit Raster(QImage& image)
        : base(reinterpret_cast<QRgb*>(image.bits())),
          stride(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb))),
          w(image.width()),
          h(image.height()) {}
    QRgb* Row(int y) const { return base + y * stride; }

    QRgb* base;
    qsizetype stride;
    int w;
    int h;
};

void OrColumn(const Raster& r, int x, QRgb colour) {
    if (x <= 0 || x >= r.w) return;
    QRgb* p = r.base + x;
    for (int y = 0; y < r.h; ++y, p += r.stride)
        *p |= colour;
}

void OrRow(const Raster& r, int y, QRgb colour) {
    if (y < 0 || y >= r.h) return;
    QRgb* p = r.Row(y);
    for (int x = 0; x < r.w; ++x)
        p[x] |= colour;
}

const std::array<QRgb, 256>& PaletteRgb() {
    static const std::array<QRgb, 256> table = [] {
        std::array<QRgb, 256> t{};
        const auto& p = WaterfallPalette();
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = qRgb(p[i].r, p[i].g, p[i].b);
        return t;
    }();
    return table;
}

}  // namespace

void DrawPlotBackground(QImage& image, const PlotBackground& layers) {
    const Raster r(image);
    const int w = r.w;
    const int h = r.h;
    const int lo = layers.bandVisible ? std::max(layers.band.low, 0) : w;
    const int hi = layers.bandVisible ? std::min(layers.band.high, w - 1) : -1;
    for (int y = 0; y < h; ++y) {
        QRgb* row = r.Row(y);
        std::fill(row, row + w, plotcolour::kBackground);
        if (lo <= hi) std::fill(row + lo, row + hi + 1, plotcolour::kBand);
    }
    if (layers.grid) {
        for (int i = 0; i < layers.divisions; ++i)
            OrRow(r, i * h / layers.divisions, plotcolour::kGrid);
        if (layers.gridXs != nullptr)
            for (int x : *layers.gridXs)
                OrColumn(r, x, plotcolour::kGrid);
    }
    if (layers.border) {
        OrRow(r, 0, plotcolour::kGrid);
        OrRow(r, h - 1, plotcolour::kGrid);
        for (int y = 1; y < h - 1; ++y) {
            r.Row(y)[0] |= plotcolour::kGrid;
            r.Row(y)[w - 1] |= plotcolour::kGrid;
        }
    }
    if (layers.bandVisible) OrColumn(r, layers.tunedX, plotcolour::kTunedLine);
    OrColumn(r, layers.cursorX, plotcolour::kCursorLine);
}

void OrWaterfall(QImage& image, const QImage& ring, int newestRow) {
    const Raster r(image);
    const int h = std::min(r.h, ring.height());
    const int w = std::min(r.w, ring.width());
    const auto* ringBase = reinterpret_cast<const QRgb*>(ring.constBits());
    const qsizetype ringStride = ring.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    for (int y = 0; y < h; ++y) {
        const QRgb* src = ringBase + ((newestRow + y) % ring.height()) * ringStride;
        QRgb* dst = r.Row(y);
        for (int x = 0; x < w; ++x)
            dst[x] |= src[x];
    }
}

void DrawTrace(QImage& image, const int* rows, int firstX, int count, QRgb colour) {
    const Raster raster(image);
    const int w = raster.w;
    const int h = raster.h;
    int prev = 0;
    for (int i = 0; i < count; ++i) {
        const int x = firstX + i;
        const int y = rows[i];
        if (x >= 0 && x < w) {
            int top = i == 0 ? y : std::min(prev, y);
            int bottom = i == 0 ? y : std::max(prev, y);
            // The run belongs to the new column; the previous end stays in its own.
            if (i > 0 && prev < y) top = std::min(prev + 1, y);
            if (i > 0 && prev > y) bottom = std::max(prev - 1, y);
            top = std::max(top, 0);
            bottom = std::min(bottom, h - 1);
            if (top <= bottom) {
                QRgb* p = raster.Row(top) + x;
                for (int r = top; r <= bottom; ++r, p += raster.stride)
                    *p = colour;
            }
        }
        prev = y;
    }
}

void PaintWaterfallLine(QImage& ring, int row, const int* indices, int bins, int firstBin) {
    const auto& palette = PaletteRgb();
    QRgb* dst = reinterpret_cast<QRgb*>(ring.scanLine(row));
    for (int x = 0; x < ring.width(); ++x) {
        const int bin = firstBin + x;
        const int v = bin >= 0 && bin < bins ? std::clamp(indices[bin], 0, 255) : 0;
        dst[x] = palette[static_cast<size_t>(v)];
    }
}

}  // namespace velorix
