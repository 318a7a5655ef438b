#include "DisplayGeometry.h"

#include <algorithm>
#include <cmath>

namespace velorix {

namespace {

constexpr int kDivisions = 15;

int TruncToInt(double v) {
    // NaN and wild values land far outside any plot instead of overflowing;
    // branch-free, so the trace loop vectorises.
    v = v > -1e9 ? v : -1e9;
    v = v < 1e9 ? v : 1e9;
    return static_cast<int>(v);
}

// An offset in whole Hz, truncated; NaN and wild values are held where an
// integer holds them.
std::int64_t WholeHz(double offsetHz) {
    if (std::isnan(offsetHz)) return 0;
    return static_cast<std::int64_t>(std::trunc(std::clamp(offsetHz, -1e12, 1e12)));
}

}  // namespace

PassbandPixels KeepClearOfTunedLine(PassbandPixels band, int tunedX) {
    if (tunedX - band.low >= 0 && tunedX - band.low < 4) band.low = tunedX - 4;
    if (band.high - tunedX >= 0 && band.high - tunedX < 4) band.high = tunedX + 4;
    return band;
}

DisplayGeometry::DisplayGeometry(int widthPx, int heightPx)
    : width_(std::max(widthPx, 1)), height_(std::max(heightPx, 1)), scale_(width_) {
    visibleCentreBin_ = scale_.Position();
}

void DisplayGeometry::Reconfigure(int fftSize, double rateKHz, double centreKHz) {
    bins_ = std::max(fftSize, 1);
    // The same products the drawn range has always had: 10 % … 90 % of N.
    firstDrawn_ = static_cast<int>(bins_ * 0.09999999999999998);
    lastDrawn_ = static_cast<int>(bins_ * 0.9);
    scale_.SetRange(firstDrawn_, lastDrawn_);
    rateKHz_ = rateKHz;
    kHzPerBin_ = rateKHz / bins_;
    visibleCentreBin_ = scale_.Configure(bins_, centreKHz, kHzPerBin_, true);
}

void DisplayGeometry::OnCentreChanged(double centreKHz) {
    Reconfigure(bins_, rateKHz_, centreKHz);
}

void DisplayGeometry::SetFreeScroll(bool on) {
    scale_.SetFreeScroll(on);
    Reconfigure(bins_, rateKHz_, scale_.Centre());
}

bool DisplayGeometry::DragScale(int dxPx) {
    if (!scale_.Enabled() || !scale_.Drag(dxPx)) return false;
    visibleCentreBin_ = scale_.Position();
    return true;
}

double DisplayGeometry::BinToKHz(int bin) const {
    return scale_.VisibleCentre() + (bin - visibleCentreBin_) * kHzPerBin_;
}

PassbandPixels DisplayGeometry::BandPixels(double tunedKHz, double lowKHz, double highKHz,
                                           int tunedX) const {
    return KeepClearOfTunedLine({KHzToPixel(tunedKHz + lowKHz), KHzToPixel(tunedKHz + highKHz)},
                                tunedX);
}

void DisplayGeometry::TraceRows(const double* levelsDb, int first, int last, int refLevelDb,
                                int dbPerDivision, double levelOffsetDb, int* rows,
                                double rowsPerPixel) const {
    const double perDb = rowsPerPixel * height_ / (std::max(dbPerDivision, 1) * kDivisions);
    const double top = refLevelDb - levelOffsetDb;
    for (int i = first; i <= last; ++i)
        rows[i - first] = TruncToInt(perDb * (top - levelsDb[i]));
}

double DisplayGeometry::ClickKHz(int x, int demIdx) const {
    const double f = BinToKHz(PixelToBin(x));
    const bool exact = demIdx == 2 || demIdx > 7;
    return exact ? f : std::floor(f + 0.5);
}

std::int64_t DisplayGeometry::OffsetForKHz(std::int64_t centerHz, double kHz) {
    return WholeHz(static_cast<double>(centerHz) - kHz * 1000.0);
}

std::int64_t DisplayGeometry::DragOffsetHz(int offsetHz, int lastX, int x) const {
    const double moved = BinToKHz(PixelToBin(x)) - BinToKHz(PixelToBin(lastX));
    return WholeHz(offsetHz - moved * 1000.0);
}

std::int64_t DisplayGeometry::ScrollOffsetHz(double pressedOffsetHz,
                                             double pressedCentreKHz) const {
    const double moved = scale_.VisibleCentre() - pressedCentreKHz;
    return WholeHz(pressedOffsetHz - moved * 1000.0);
}

}  // namespace velorix
