#include "SecondaryDisplayModel.h"

#include <cmath>
#include <cstdlib>

namespace velorix {

SecondaryDisplayModel::SecondaryDisplayModel(int widthPx)
    : width_(widthPx < 1 ? 1 : widthPx), scale_(width_) {
    // Free scroll with every configuration centred; the bar takes no input.
    scale_.SetFreeScroll(true);
}

void SecondaryDisplayModel::Configure(double rateKHz, double carrierOffsetHz) {
    rateKHz_ = std::isfinite(rateKHz) && rateKHz > 0.0 ? rateKHz : 0.0;
    carrierHz_ = std::isfinite(carrierOffsetHz) ? carrierOffsetHz : 0.0;
    hzPerBin_ = rateKHz_ / kBins * 1000.0;
    scale_.Configure(kBins, carrierHz_, hzPerBin_, true);
}

void SecondaryDisplayModel::SetEdges(double low, double high) {
    if (!std::isfinite(low) || !std::isfinite(high)) return;
    low_ = low;
    high_ = high;
}

void SecondaryDisplayModel::EdgesKHz(double& lowKHz, double& highKHz) const {
    lowKHz = carrierHz_ / 1000.0 + low_ * rateKHz_;
    highKHz = carrierHz_ / 1000.0 + high_ * rateKHz_;
}

int SecondaryDisplayModel::FractionToPixel(double f) const {
    return static_cast<int>(std::trunc(kBins * f + width_ / 2));
}

double SecondaryDisplayModel::PixelToFraction(int x) const {
    return static_cast<double>(x - width_ / 2) / kBins;
}

double SecondaryDisplayModel::ClickHz(int x) const {
    return (x - width_ / 2) * hzPerBin_ + carrierHz_;
}

PassbandEdge SecondaryDisplayModel::HitTest(int x) const {
    if (std::abs(FractionToPixel(high_) - x) < kHitPx) return PassbandEdge::High;
    if (std::abs(FractionToPixel(low_) - x) < kHitPx) return PassbandEdge::Low;
    return PassbandEdge::None;
}

bool SecondaryDisplayModel::MoveEdge(PassbandEdge edge, int x) {
    const double f = PixelToFraction(x);
    if (std::fabs(f) > kEdgeLimit) return false;
    if (edge == PassbandEdge::Low && high_ - f >= kNarrowestBand) {
        low_ = f;
        return true;
    }
    if (edge == PassbandEdge::High && f - low_ >= kNarrowestBand) {
        high_ = f;
        return true;
    }
    return false;
}

SecondaryAction SecondaryDisplayModel::Press(int x) {
    SecondaryAction a;
    edgeDrag_ = HitTest(x);
    lastX_ = x;
    if (edgeDrag_ != PassbandEdge::None)
        a.edgesChanged = MoveEdge(edgeDrag_, x);
    else
        spectrumDrag_ = true;
    return a;
}

SecondaryAction SecondaryDisplayModel::Move(int x) {
    SecondaryAction a;
    const int dx = x - lastX_;
    if (edgeDrag_ != PassbandEdge::None) {
        a.edgesChanged = MoveEdge(edgeDrag_, x);
    } else if (spectrumDrag_) {
        a.tuneHz = dx * hzPerBin_;
        lastX_ = x;
    } else if (shiftDrag_) {
        lastX_ = x;
        const double low = PixelToFraction(FractionToPixel(low_) + dx);
        const double high = PixelToFraction(FractionToPixel(high_) + dx);
        if (low >= -kEdgeLimit && high <= kEdgeLimit) {
            low_ = low;
            high_ = high;
            a.edgesChanged = true;
        }
    }
    return a;
}

SecondaryAction SecondaryDisplayModel::Release() {
    SecondaryAction a;
    if (shiftDrag_) return a;
    edgeDrag_ = PassbandEdge::None;
    a.spectrumDragEnded = spectrumDrag_;
    spectrumDrag_ = false;
    return a;
}

SecondaryAction SecondaryDisplayModel::RightPress(int x) {
    if (edgeDrag_ == PassbandEdge::None && !spectrumDrag_) {
        shiftDrag_ = true;
        lastX_ = x;
    }
    return {};
}

SecondaryAction SecondaryDisplayModel::RightRelease() {
    shiftDrag_ = false;
    return {};
}

SecondaryAction SecondaryDisplayModel::Wheel(int delta) {
    SecondaryAction a;
    const int step = delta > 0 ? kWheelPx : -kWheelPx;
    double low = PixelToFraction(FractionToPixel(low_) - step);
    double high = PixelToFraction(FractionToPixel(high_) + step);
    if (high - low < kNarrowestBand) return a;
    if (low < -kEdgeLimit) low = -kEdgeLimit;
    if (high > kEdgeLimit) high = kEdgeLimit;
    low_ = low;
    high_ = high;
    a.edgesChanged = true;
    return a;
}

}  // namespace velorix
