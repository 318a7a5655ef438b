#include "SlideBarScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velorix {

namespace {

// "%.0f" of a frequency, without the cost of printf's general path for the
// whole numbers the labels nearly always are (same rounding: to even).
void FormatLabel(double f, char (&out)[16]) {
    const double r = std::nearbyint(f);
    if (std::fabs(r) < 1e14 && !(r == 0.0 && std::signbit(r))) {
        const auto end = std::to_chars(out, out + sizeof out - 1, static_cast<long long>(r)).ptr;
        *end = '\0';
        return;
    }
    std::snprintf(out, sizeof out, "%.0f", f);
}

}  // namespace

SlideBarScale::SlideBarScale(int widthPx)
    : width_(std::max(widthPx, 1)),
      bins_(width_),
      position_(width_ / 2),
      lowest_(-width_),
      highest_(2 * width_) {
    ComputeSpacing();
    ComputeTicks();
}

void SlideBarScale::SetRange(int firstBin, int lastBin) {
    first_ = firstBin;
    last_ = lastBin;
    if (!freeScroll_) enabled_ = width_ < last_ - first_;
}

void SlideBarScale::SetFreeScroll(bool on) {
    freeScroll_ = on;
    if (on) enabled_ = true;
}

int SlideBarScale::Configure(int bins, double centre, double perBin, bool recentre) {
    bins = std::max(bins, 1);
    perBin_ = std::isfinite(perBin) ? perBin : 0.0;
    centre_ = std::isfinite(centre) ? centre : 0.0;
    if (freeScroll_) {
        lowest_ = -bins;
        highest_ = 2 * bins;
        if (recentre) position_ = bins / 2;
    } else {
        lowest_ = first_ + width_ / 2;
        highest_ = last_ - width_ / 2;
        enabled_ = width_ < last_ - first_;
        if (enabled_) {
            const long long scaled = static_cast<long long>(bins) * position_ / bins_;
            position_ = static_cast<int>(std::clamp<long long>(scaled, lowest_, highest_));
        } else {
            position_ = bins / 2;
        }
    }
    bins_ = bins;
    ComputeSpacing();
    ComputeTicks();
    return position_;
}

bool SlideBarScale::Drag(int dxPx) {
    const long long wanted = static_cast<long long>(position_) - dxPx;
    const int next = static_cast<int>(std::clamp<long long>(wanted, lowest_, highest_));
    if (next == position_) return false;
    position_ = next;
    ComputeTicks();
    return true;
}

double SlideBarScale::VisibleCentre() const {
    return (position_ - bins_ / 2) * perBin_ + centre_;
}

int SlideBarScale::FrequencyToPixel(double f) const {
    if (perBin_ == 0.0) return 0;
    const double bins = std::clamp((f - centre_) / perBin_, -1e9, 1e9);
    return static_cast<int>(std::trunc(bins)) + (width_ + bins_) / 2 - position_;
}

void SlideBarScale::ComputeSpacing() {
    spacing_ = 0.0;
    if (!(perBin_ > 0.0)) return;
    // Pixels per unit of the smallest step, raised by decades until ticks
    // are at least 5 pixels apart.
    double p = 1.0 / (perBin_ * 1000.0);
    double d = 1.0;
    while (p < 5.0) {
        d *= 10.0;
        p *= 10.0;
    }
    spacing_ = d / 1000.0;
    labelPeriod_ = p < 10.0 ? 10 : (p < 20.0 ? 5 : 2);
}

void SlideBarScale::ComputeTicks() {
    // Ticks are at least 5 pixels apart; the first may start up to ten
    // spacings left of the bar.
    const std::size_t most = static_cast<std::size_t>(width_ / 5 + 16);
    ticks_.clear();
    ticks_.reserve(most);
    if (spacing_ == 0.0) return;
    const double left = (position_ - (bins_ + width_) / 2) * perBin_ + centre_;
    const double right = (position_ - (bins_ - width_) / 2) * perBin_ + centre_;
    // From a whole ten spacings, so the labelled ticks sit on round values.
    const double f0 = std::floor(left / spacing_ * 0.1) * spacing_ * 10.0;
    const int toPixel = width_ / 2 - position_;
    for (int count = 0;; ++count) {
        const double f = f0 + count * spacing_;
        if (!(f < right) || ticks_.size() == most) break;
        const int x = static_cast<int>(std::trunc((f - centre_) / perBin_)) + bins_ / 2 + toPixel;
        if (x < 0 || x > width_) continue;
        ScaleTick& t = ticks_.emplace_back();
        t.x = x;
        t.major = count % labelPeriod_ == 0;
        if (t.major) FormatLabel(f, t.label);
    }
}

}  // namespace velorix
