#include "PlotLayers.h"

#include <algorithm>
#include <cmath>
#include <utility>
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

int DevicePixels::Begin(int x) const {
    return ratio == 1.0 ? x : static_cast<int>(std::lround(x * ratio));
}

int DevicePixels::Of(int d) const {
    if (ratio == 1.0) return d;
    int x = static_cast<int>(std::floor(d / ratio));
    while (Begin(x + 1) <= d)
        ++x;
    while (Begin(x) > d)
        --x;
    return x;
}

QRect DevicePixels::Of(const QRect& r) const {
    return QRect(QPoint(Begin(r.left()), Begin(r.top())),
                 QPoint(Begin(r.right() + 1) - 1, Begin(r.bottom() + 1) - 1));
}

double PlotRatio(double screenRatio) {
    return std::isfinite(screenRatio) ? std::clamp(screenRatio, 1.0, 4.0) : 1.0;
}

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
    const DevicePixels dp(image);
    const int w = static_cast<int>(std::lround(r.w / dp.ratio));
    const int h = static_cast<int>(std::lround(r.h / dp.ratio));
    // Every layer is a whole row or a whole column, so two row patterns make
    // the picture: one for plain rows and one for grid and border rows. Each
    // row is then written once, top to bottom.
    std::vector<QRgb> plain(static_cast<size_t>(r.w), plotcolour::kBackground);
    // Device pixels [Begin(x), Begin(x + 1)) of window pixels lo … hi, within
    // the picture.
    auto span = [&dp](int lo, int hi, int limit) {
        return std::pair{std::clamp(dp.Begin(lo), 0, limit),
                         std::clamp(dp.Begin(hi + 1), 0, limit)};
    };
    if (layers.bandVisible) {
        const int lo = std::max(layers.band.low, 0);
        const int hi = std::min(layers.band.high, w - 1);
        const auto [from, to] = span(lo, hi, r.w);
        if (lo <= hi) std::fill(plain.begin() + from, plain.begin() + to, plotcolour::kBand);
    }
    auto orColumn = [&](int x, QRgb colour) {
        const auto [from, to] = span(x, x, r.w);
        for (int d = from; d < to; ++d)
            plain[static_cast<size_t>(d)] |= colour;
    };
    if (layers.grid && layers.gridXs != nullptr)
        for (int x : *layers.gridXs)
            if (x > 0 && x < w) orColumn(x, plotcolour::kGrid);
    if (layers.border) {
        orColumn(0, plotcolour::kGrid);
        orColumn(w - 1, plotcolour::kGrid);
    }
    if (layers.bandVisible && layers.tunedX > 0 && layers.tunedX < w)
        orColumn(layers.tunedX, plotcolour::kTunedLine);
    std::vector<QRgb> lined(plain);
    for (QRgb& p : lined)
        p |= plotcolour::kGrid;

    std::vector<char> isLined(static_cast<size_t>(r.h), 0);
    auto lineRow = [&](int y) {
        const auto [from, to] = span(y, y, r.h);
        std::fill(isLined.begin() + from, isLined.begin() + to, 1);
    };
    if (layers.grid)
        for (int i = 0; i < layers.divisions; ++i) {
            const int y = i * h / layers.divisions;
            if (y >= 0 && y < h) lineRow(y);
        }
    if (layers.border) {
        lineRow(0);
        lineRow(h - 1);
    }
    for (int y = 0; y < r.h; ++y)
        std::copy(isLined[static_cast<size_t>(y)] ? lined.begin() : plain.begin(),
                  isLined[static_cast<size_t>(y)] ? lined.end() : plain.end(), r.Row(y));
}

void DrawPointerMarks(QImage& image, int firstDeviceX, const PointerMarks& marks) {
    const Raster r(image);
    const DevicePixels dp(image);
    // Device columns from .. to - 1 of the picture, within the image.
    auto columns = [&](int from, int to) {
        return std::pair{std::max(from, firstDeviceX) - firstDeviceX,
                         std::min(to, firstDeviceX + r.w) - firstDeviceX};
    };
    auto orColumn = [&](int x, QRgb colour, bool spareTrace) {
        if (x <= 0) return;
        const auto [from, to] = columns(dp.Begin(x), dp.Begin(x + 1));
        for (int c = from; c < to; ++c)
            for (int y = 0; y < r.h; ++y) {
                QRgb& p = r.Row(y)[c];
                if (!(spareTrace && p == plotcolour::kTrace)) p |= colour;
            }
    };
    if (marks.hoverBand) {
        const auto [from, to] = columns(dp.Begin(marks.band.low), dp.Begin(marks.band.high + 1));
        for (int y = 0; y < r.h; ++y)
            for (int c = from; c < to; ++c)
                r.Row(y)[c] |= plotcolour::kBand;
        orColumn(marks.tunedX, plotcolour::kTunedLine, false);
    }
    orColumn(marks.cursorX, plotcolour::kCursorLine, marks.overTrace);
}

void OrWaterfall(QImage& image, const QImage& ring, int newestRow) {
    const Raster r(image);
    const DevicePixels dp(image);
    const int h = std::min(r.h, dp.Begin(ring.height()));
    const int w = std::min(r.w, dp.Begin(ring.width()));
    const auto* ringBase = reinterpret_cast<const QRgb*>(ring.constBits());
    const qsizetype ringStride = ring.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    auto ringRow = [&](int y) {
        return ringBase + ((newestRow + dp.Of(y)) % ring.height()) * ringStride;
    };
    if (dp.ratio == 1.0) {
        for (int y = 0; y < h; ++y) {
            const QRgb* src = ringRow(y);
            QRgb* dst = r.Row(y);
            for (int x = 0; x < w; ++x)
                dst[x] |= src[x];
        }
        return;
    }
    // Each ring pixel over its window pixel's device pixels.
    std::vector<int> ringColumn(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        ringColumn[static_cast<size_t>(x)] = dp.Of(x);
    for (int y = 0; y < h; ++y) {
        const QRgb* src = ringRow(y);
        QRgb* dst = r.Row(y);
        for (int x = 0; x < w; ++x)
            dst[x] |= src[ringColumn[static_cast<size_t>(x)]];
    }
}

void DrawTrace(QImage& image, const int* rows, int firstX, int count, QRgb colour) {
    const Raster raster(image);
    const DevicePixels dp(image);
    const int w = raster.w;
    const int h = raster.h;
    auto run = [&](int c, int top, int bottom) {
        top = std::max(top, 0);
        bottom = std::min(bottom, h - 1);
        if (c < 0 || c >= w || top > bottom) return;
        QRgb* p = raster.Row(top) + c;
        for (int r = top; r <= bottom; ++r, p += raster.stride)
            *p = colour;
    };
    int prev = 0;
    for (int i = 0; i < count; ++i) {
        const int x = firstX + i;
        const int y = rows[i];
        const int c = dp.Begin(x);
        int top = i == 0 ? y : std::min(prev, y);
        int bottom = i == 0 ? y : std::max(prev, y);
        // The run belongs to the new column; the previous end stays in its own.
        if (i > 0 && prev < y) top = std::min(prev + 1, y);
        if (i > 0 && prev > y) bottom = std::max(prev - 1, y);
        run(c, top, bottom);
        // The column's further device columns carry the level alone.
        for (int d = c + 1; d < dp.Begin(x + 1); ++d)
            run(d, y, y);
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
