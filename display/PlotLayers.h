#pragma once

#include <QImage>
#include <vector>

#include "DisplayGeometry.h"

namespace velorix {

// The colours of the spectrum plots.
namespace plotcolour {
inline constexpr QRgb kBackground = 0xff000000;
inline constexpr QRgb kGrid = 0xff202020;        // 32, 32, 32
inline constexpr QRgb kTrace = 0xffe8ffe8;       // 232, 255, 232: trace and markers
inline constexpr QRgb kTunedLine = 0xffff8000;   // 255, 128, 0
inline constexpr QRgb kCursorLine = 0xffff0000;  // 255, 0, 0
inline constexpr QRgb kBand = 0xff454536;        // 69, 69, 54
// The skin's text colour of the station lines, for the station names.
inline constexpr QRgb kStationName = 0xfff5cb38;  // 245, 203, 56
}  // namespace plotcolour

// How a plot's window pixels lie on the device pixels of its picture, at the
// picture's device pixel ratio: window column (or row) x covers device
// columns Begin(x) … Begin(x + 1) - 1, so every line covers whole device
// pixels and the picture keeps the plot's geometry at any ratio.
struct DevicePixels {
    explicit DevicePixels(double devicePixelRatio) : ratio(devicePixelRatio) {}
    explicit DevicePixels(const QImage& image) : ratio(image.devicePixelRatio()) {}
    int Begin(int x) const;
    // The window pixel that device pixel d belongs to.
    int Of(int d) const;
    // The device pixels of a rectangle of window pixels.
    QRect Of(const QRect& r) const;

    double ratio;
};

// A screen's device pixel ratio as the plots draw for it: 1 … 4.
double PlotRatio(double screenRatio);

// What the background of a plot shows: the passband band, the grid, the
// border and the tuned line. A line at x 0 is not drawn.
struct PlotBackground {
    PassbandPixels band;
    bool bandVisible = true;
    bool grid = true;  // horizontal divisions and vertical lines at gridXs
    int divisions = 15;
    const std::vector<int>* gridXs = nullptr;
    bool border = true;
    int tunedX = 0;
};

// True when both draw the same background (the grid columns compared by value).
bool SameBackground(const PlotBackground& a, const PlotBackground& b);

// The plot's layers drawn by scanline code into an RGB32 image (at its
// device pixel ratio, the layers given in window pixels): black, then
// the band filled, then grid, border and lines merged with a bitwise OR, so a
// grid line in the band reads (101, 101, 54) and the tuned line (255, 197, 54).
void DrawPlotBackground(QImage& image, const PlotBackground& layers);

// The pointer's marks, which the widget paints over a finished frame as the
// background would have merged them: the cursor line ORed into its column,
// and in the waterfall the passband band with its tuned line while the
// pointer is over it. A line at x 0 is not drawn.
struct PointerMarks {
    int cursorX = 0;
    // The picture's trace and markers lie over the lines (the spectrum):
    // their pixels stay as they are.
    bool overTrace = false;
    bool hoverBand = false;
    PassbandPixels band;
    int tunedX = 0;
    bool operator==(const PointerMarks&) const = default;
};

// The marks ORed into `image`, a copy of the frame's device columns from
// `firstDeviceX` on at the frame's ratio (only those columns are touched).
void DrawPointerMarks(QImage& image, int firstDeviceX, const PointerMarks& marks);

// ORs the waterfall ring (one pixel per window pixel) onto the image, each
// of its pixels over the device pixels of its window pixel: ring row
// `newestRow` at the top, older rows below it.
void OrWaterfall(QImage& image, const QImage& ring, int newestRow);

// The trace in copy mode: window column x = firstX + i at device row
// rows[i], joined to the previous column by a vertical run in its first
// device column. Rows beyond the picture are clipped.
void DrawTrace(QImage& image, const int* rows, int firstX, int count, QRgb colour);

// One waterfall line into ring row `row`: column x shows bin firstBin + x in
// its palette colour (indices clamped to 0 … 255); columns whose bin lies
// outside 0 … bins - 1 are colour 0.
void PaintWaterfallLine(QImage& ring, int row, const int* indices, int bins, int firstBin);

}  // namespace velorix
