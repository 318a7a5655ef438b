#include "PlotLayers.h"

#include <algorithm>

#include "DisplayTables.h"

namespace velorix {

namespace {

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

void OrColumn(QImage& image, int x, QRgb colour) {
    if (x <= 0 || x >= image.width()) return;
    for (int y = 0; y < image.height(); ++y)
        Row(image, y)[x] |= colour;
}

void OrRow(QImage& image, int y, QRgb colour) {
    if (y < 0 || y >= image.height()) return;
    QRgb* p = Row(image, y);
    for (int x = 0; x < image.width(); ++x)
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
    const int w = image.width();
    const int h = image.height();
    image.fill(plotcolour::kBackground);
    if (layers.bandVisible) {
        const int lo = std::max(layers.band.low, 0);
        const int hi = std::min(layers.band.high, w - 1);
        for (int y = 0; y < h && lo <= hi; ++y)
            std::fill(Row(image, y) + lo, Row(image, y) + hi + 1, plotcolour::kBand);
    }
    if (layers.grid) {
        for (int i = 0; i < layers.divisions; ++i)
            OrRow(image, i * h / layers.divisions, plotcolour::kGrid);
        if (layers.gridXs != nullptr)
            for (int x : *layers.gridXs)
                OrColumn(image, x, plotcolour::kGrid);
    }
    if (layers.border) {
        OrRow(image, 0, plotcolour::kGrid);
        OrRow(image, h - 1, plotcolour::kGrid);
        for (int y = 1; y < h - 1; ++y) {
            Row(image, y)[0] |= plotcolour::kGrid;
            Row(image, y)[w - 1] |= plotcolour::kGrid;
        }
    }
    if (layers.bandVisible) OrColumn(image, layers.tunedX, plotcolour::kTunedLine);
    OrColumn(image, layers.cursorX, plotcolour::kCursorLine);
}

void OrWaterfall(QImage& image, const QImage& ring, int newestRow) {
    const int h = std::min(image.height(), ring.height());
    const int w = std::min(image.width(), ring.width());
    for (int y = 0; y < h; ++y) {
        const auto* src =
            reinterpret_cast<const QRgb*>(ring.constScanLine((newestRow + y) % ring.height()));
        QRgb* dst = Row(image, y);
        for (int x = 0; x < w; ++x)
            dst[x] |= src[x];
    }
}

void DrawTrace(QImage& image, const int* rows, int firstX, int count, QRgb colour) {
    const int w = image.width();
    const int h = image.height();
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
            for (int r = top; r <= bottom; ++r)
                Row(image, r)[x] = colour;
        }
        prev = y;
    }
}

void PaintWaterfallLine(QImage& ring, int row, const int* indices, int bins, int firstBin) {
    const auto& palette = PaletteRgb();
    QRgb* dst = Row(ring, row);
    for (int x = 0; x < ring.width(); ++x) {
        const int bin = firstBin + x;
        const int v = bin >= 0 && bin < bins ? std::clamp(indices[bin], 0, 255) : 0;
        dst[x] = palette[static_cast<size_t>(v)];
    }
}

}  // namespace velorix
