#include "PlotLayers.h"

#include <algorithm>
#include <vector>

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

bool SameBackground(const PlotBackground& a, const PlotBackground& b) {
    static const std::vector<int> none;
    const std::vector<int>& ax = a.grid && a.gridXs ? *a.gridXs : none;
    const std::vector<int>& bx = b.grid && b.gridXs ? *b.gridXs : none;
    return a.band.low == b.band.low && a.band.high == b.band.high &&
           a.bandVisible == b.bandVisible && a.grid == b.grid && a.divisions == b.divisions &&
           ax == bx && a.border == b.border && a.tunedX == b.tunedX;
}

void DrawPlotBackground(QImage& image, const PlotBackground& layers) {
    const Raster r(image);
    const int w = r.w;
    const int h = r.h;
    // Every layer is a whole row or a whole column, so two row patterns make
    // the picture: one for plain rows and one for grid and border rows. Each
    // row is then written once, top to bottom.
    std::vector<QRgb> plain(static_cast<size_t>(w), plotcolour::kBackground);
    if (layers.bandVisible) {
        const int lo = std::max(layers.band.low, 0);
        const int hi = std::min(layers.band.high, w - 1);
        if (lo <= hi) std::fill(plain.begin() + lo, plain.begin() + hi + 1, plotcolour::kBand);
    }
    auto orColumn = [&plain, w](int x, QRgb colour) {
        if (x > 0 && x < w) plain[static_cast<size_t>(x)] |= colour;
    };
    if (layers.grid && layers.gridXs != nullptr)
        for (int x : *layers.gridXs)
            orColumn(x, plotcolour::kGrid);
    if (layers.border) {
        plain[0] |= plotcolour::kGrid;
        plain[static_cast<size_t>(w - 1)] |= plotcolour::kGrid;
    }
    if (layers.bandVisible) orColumn(layers.tunedX, plotcolour::kTunedLine);
    std::vector<QRgb> lined(plain);
    for (QRgb& p : lined)
        p |= plotcolour::kGrid;

    std::vector<char> isLined(static_cast<size_t>(h), 0);
    if (layers.grid)
        for (int i = 0; i < layers.divisions; ++i) {
            const int y = i * h / layers.divisions;
            if (y >= 0 && y < h) isLined[static_cast<size_t>(y)] = 1;
        }
    if (layers.border) isLined[0] = isLined[static_cast<size_t>(h - 1)] = 1;
    for (int y = 0; y < h; ++y)
        std::copy(isLined[static_cast<size_t>(y)] ? lined.begin() : plain.begin(),
                  isLined[static_cast<size_t>(y)] ? lined.end() : plain.end(), r.Row(y));
}

void DrawPointerMarks(QImage& image, int firstX, const PointerMarks& marks) {
    const Raster r(image);
    // Column x of the plot is column x - firstX of the image.
    auto orColumn = [&](int x, QRgb colour, bool spareTrace) {
        const int c = x - firstX;
        if (x <= 0 || c < 0 || c >= r.w) return;
        for (int y = 0; y < r.h; ++y) {
            QRgb& p = r.Row(y)[c];
            if (!(spareTrace && p == plotcolour::kTrace)) p |= colour;
        }
    };
    if (marks.hoverBand) {
        const int lo = std::max(marks.band.low, firstX);
        const int hi = std::min(marks.band.high, firstX + r.w - 1);
        for (int y = 0; y < r.h; ++y)
            for (int x = lo; x <= hi; ++x)
                r.Row(y)[x - firstX] |= plotcolour::kBand;
        orColumn(marks.tunedX, plotcolour::kTunedLine, false);
    }
    orColumn(marks.cursorX, plotcolour::kCursorLine, marks.overTrace);
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
