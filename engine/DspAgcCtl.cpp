#include "DspAgcCtl.h"

#include <algorithm>
#include <cmath>

#include "DspMath.h"

namespace velorix {

CDspAgcCtl::CDspAgcCtl(int capacity) : CDspBlock(kDspTypeComplex, capacity, 0) {}

void CDspAgcCtl::SetMode(int index) {
    double seconds = 0.3;
    int off = 1;
    switch (index) {
        case 0:
            seconds = 0.1, off = 0;
            break;
        case 1:
            seconds = 0.6, off = 0;
            break;
        case 2:
            seconds = 1.8, off = 0;
            break;
        default:
            break;
    }
    off_.store(off, std::memory_order_relaxed);
    if (rate == 0.0) return;
    const double coef = 1.0 / (rate * 1000.0 * seconds);
    avgCoef_.store(coef, std::memory_order_relaxed);
    decayCoef_.store(coef, std::memory_order_relaxed);
    pending_.fetch_or(kModeLevels, std::memory_order_release);
}

void CDspAgcCtl::Reset() {
    pending_.fetch_or(kReset, std::memory_order_release);
}

void CDspAgcCtl::ApplyPending() {
    const int what = pending_.exchange(kNone, std::memory_order_acquire);
    if (what & kModeLevels) {
        levelDb_ = -10.0;
        avgLevelDb_ = 1.0;
        peakLevelDb_ = 0.0;
    }
    if (what & kReset) {
        for (int k = 0; k < 4; ++k)
            delayI_[k] = delayQ_[k] = 0.0;
        avgLevelDb_ = -130.0;
        peakLevelDb_ = -130.0;
    }
    if (what != kNone) Publish();
}

void CDspAgcCtl::Publish() {
    avgOut_.store(avgLevelDb_, std::memory_order_relaxed);
    peakOut_.store(peakLevelDb_, std::memory_order_relaxed);
    levelOut_.store(levelDb_, std::memory_order_relaxed);
}

void CDspAgcCtl::Process(void* dst, const void* src, int count) {
    if (pending_.load(std::memory_order_relaxed) != kNone) ApplyPending();
    const double* in = static_cast<const double*>(src);
    double* out = static_cast<double*>(dst);
    const bool off = off_.load(std::memory_order_relaxed) != 0;
    const double avgCoef = avgCoef_.load(std::memory_order_relaxed);
    const double decayCoef = decayCoef_.load(std::memory_order_relaxed);
    double level = levelDb_;
    double avg = avgLevelDb_;
    double peak = -500.0;
    // Per piece: the input levels and the output factors are computed over
    // arrays (vectorised), and only the level estimate runs sample by sample.
    constexpr int kPiece = 64;
    double levelDb[kPiece];
    double factor[kPiece];
    for (int first = 0; first < count; first += kPiece) {
        const int n = std::min(kPiece, count - first);
        const double* x = in + 2 * first;
        double* y = out + 2 * first;
        // 20·log10(|x| + 1e-80) as 10·log10((|x| + 1e-80)²).
        for (int i = 0; i < n; ++i) {
            const double m = std::sqrt(x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1]) + 1e-80;
            levelDb[i] = m * m;
        }
        PowerToDbArray(levelDb, n);
        for (int i = 0; i < n; ++i) {
            const double o = levelDb[i];
            avg = o * avgCoef + (1.0 - avgCoef) * avg;
            const double e = o - level;
            const double k = e > 0.0 ? e * kAttackSlope + kAttackBase : decayCoef;
            level += e * k;
            peak = level > peak ? level : peak;
            // The output factor is 1/G = 10^((reference − A)/20).
            levelDb[i] = kReferenceDb - (off ? kOffLevelDb : level);
        }
        DbToAmplitudeArray(factor, levelDb, n);
        // Each output is the input three samples older: the first three come
        // from the delay line (newest first), the rest from this piece.
        const int fromDelay = std::min(n, 3);
        for (int i = 0; i < fromDelay; ++i) {
            y[2 * i] = delayI_[2 - i] * factor[i];
            y[2 * i + 1] = delayQ_[2 - i] * factor[i];
        }
        for (int i = 3; i < n; ++i) {
            y[2 * i] = x[2 * (i - 3)] * factor[i];
            y[2 * i + 1] = x[2 * (i - 3) + 1] * factor[i];
        }
        // The delay line after the piece: its last four samples, older ones
        // shifted along when the piece is shorter.
        double newI[4], newQ[4];
        for (int k = 0; k < 4; ++k) {
            const int i = n - 1 - k;
            newI[k] = i >= 0 ? x[2 * i] : delayI_[-i - 1];
            newQ[k] = i >= 0 ? x[2 * i + 1] : delayQ_[-i - 1];
        }
        std::copy(newI, newI + 4, delayI_);
        std::copy(newQ, newQ + 4, delayQ_);
    }
    levelDb_ = level;
    avgLevelDb_ = avg;
    if (count > 0) peakLevelDb_ = peak;
    Publish();
}

}  // namespace velorix
