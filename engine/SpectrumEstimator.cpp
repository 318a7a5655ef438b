#include "SpectrumEstimator.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "DspMath.h"

namespace velorix {
namespace {

// I0 by its power series, 36 terms: ample for the window's beta range.
double BesselI0(double x) {
    const double half = 0.5 * x;
    double term = 1.0, sum = 1.0;
    for (int s = 1; s < 36; ++s) {
        term *= half / s;
        sum += term * term;
    }
    return sum;
}

VELORIX_HOT_CLONES void Power(double* __restrict power, const double* __restrict x, unsigned n) {
    for (unsigned i = 0; i < n; ++i)
        power[i] = x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1];
}

VELORIX_HOT_CLONES void AveragePower(double* __restrict avg, const double* __restrict x, unsigned n,
                                     double a) {
    const double b = 1.0 - a;
    for (unsigned i = 0; i < n; ++i)
        avg[i] = a * avg[i] + b * (x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1]);
}

}  // namespace

CSpectrumEstimator::CSpectrumEstimator(int ownsInput) : ownsInput_(ownsInput) {}

CSpectrumEstimator::~CSpectrumEstimator() {
    CSpectrumEstimator::Release();
}

int CSpectrumEstimator::SetSize(unsigned n, void* input) {
    if (n < kMinSize || n > kMaxSize || (n & (n - 1)) != 0) return 0;
    if (n == size_) {
        // Same size, no reallocation; a caller that moved its buffer still
        // gets its new pointer used, never the freed one.
        if (input != nullptr && !ownsInput_) input_ = input;
        return 1;
    }
    Release();
    if (input != nullptr && !ownsInput_) input_ = input;
    int log2n = 0;
    while ((1u << log2n) < n)
        ++log2n;
    return Allocate(n, log2n);
}

int CSpectrumEstimator::Allocate(unsigned n, int log2n) {
    try {
        bitReverse_.assign(n, 0);
        twiddles_.assign(n / 2, Cpx());
        work_.assign(n, Cpx(1e-30, 1e-30));
        if (ownsInput_) {
            ownInput_.assign(n, Cpx(1e-30, 1e-30));
            input_ = ownInput_.data();
        }
        window_.assign(n, 1.0);
        average_.assign(n, 1e-30);
    } catch (const std::bad_alloc&) {
        Release();
        return 0;
    }
    size_ = n;
    log2Size_ = log2n;
    for (unsigned i = 0; i < n; ++i) {
        unsigned r = 0;
        for (int b = 0; b < log2n; ++b)
            r |= ((i >> b) & 1u) << (log2n - 1 - b);
        bitReverse_[i] = static_cast<int>(r);
    }
    for (unsigned k = 0; k < n / 2; ++k) {
        const double theta = -kPi * k / (n / 2);
        twiddles_[k] = Cpx(std::cos(theta), std::sin(theta));
    }
    try {
        transform_.Build(n, log2n, bitReverse_, twiddles_);
    } catch (const std::bad_alloc&) {
        Release();
        return 0;
    }
    ComputeWindow();
    firstFrame_ = 1;
    return 1;
}

void CSpectrumEstimator::Release() {
    twiddles_ = {};
    work_ = {};
    ownInput_ = {};
    if (ownsInput_) input_ = nullptr;
    average_ = {};
    bitReverse_ = {};
    window_ = {};
    transform_.Clear();
    size_ = 0;
    log2Size_ = 0;
}

void CSpectrumEstimator::ComputeWindow() {
    const unsigned n = size_;
    const double last = n - 1.0;
    double sum = 0.0;
    for (unsigned k = 0; k < n; ++k) {
        double w = 1.0;
        switch (windowType_) {
            case kWindowKaiser: {
                const double u = (2.0 * k + 1.0 - n) / last;
                w = BesselI0(kaiserBeta_ * std::sqrt(std::max(0.0, 1.0 - u * u))) /
                    BesselI0(kaiserBeta_);
                break;
            }
            case kWindowHamming:
                w = 0.54 - 0.46 * std::cos(2.0 * kPi * k / last);
                break;
            case kWindowHann:
                w = 0.5 - 0.5 * std::cos(2.0 * kPi * (k + 1.0) / (n + 1.0));
                break;
            case kWindowBlackman:
                w = 0.42 - 0.5 * std::cos(2.0 * kPi * k / last) +
                    0.08 * std::cos(4.0 * kPi * k / last);
                break;
            default:
                break;
        }
        window_[k] = w;
        sum += w;
    }
    if (windowType_ == kWindowRectangular) return;
    const double mean = sum / n;
    for (unsigned k = 0; k < n; ++k)
        window_[k] /= mean;
}

void CSpectrumEstimator::SetWindow(int type) {
    if (type >= kWindowRectangular && type <= kWindowBlackman) windowType_ = type;
}

void CSpectrumEstimator::Transform(bool realInput) {
    transform_.Run(static_cast<const double*>(input_), realInput, window_.data(), work_.data());
}

Cpx* CSpectrumEstimator::ComplexFft() {
    if (size_ != 0 && input_ != nullptr) Transform(false);
    return work_.data();
}

Cpx* CSpectrumEstimator::RealFft() {
    if (size_ != 0 && input_ != nullptr) Transform(true);
    return work_.data();
}

double* CSpectrumEstimator::ToDb() {
    double* values = reinterpret_cast<double*>(work_.data());
    if (size_ == 0) return values;
    const double a = averaging_.load(std::memory_order_relaxed);
    if (a != 0.0 && !firstFrame_) {
        AveragePower(average_.data(), values, size_, a);
    } else {
        Power(average_.data(), values, size_);
        firstFrame_ = 0;
    }
    PowerToDbArray(values, average_.data(), static_cast<int>(size_));
    return values;
}

double* CSpectrumEstimator::SwapHalves() {
    double* values = reinterpret_cast<double*>(work_.data());
    if (size_ == 0) return values;
    std::swap_ranges(values, values + size_ / 2, values + size_ / 2);
    return values;
}

}  // namespace velorix
