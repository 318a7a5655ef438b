#pragma once

#include <atomic>
#include <vector>

#include "DspTypes.h"
#include "SpectrumTransform.h"

namespace velorix {

// Window shapes of the spectrum estimator.
enum SpectrumWindow : int {
    kWindowRectangular = 0,
    kWindowKaiser = 1,
    kWindowHamming = 2,
    kWindowHann = 3,
    kWindowBlackman = 4,
};

// Turns one block of N complex samples into an averaged power spectrum in dB
// for a spectrum display: window, transform scaled by 1/N, power,
// exponential average, dB and half swap. One per display, used on that
// display's feeder thread only; SetAveraging may come from the UI thread.
//
// Per frame call ComplexFft, then ToDb, then SwapHalves. All three return the
// same work array: N complex values after the transform, N doubles (dB)
// after ToDb. Nothing is allocated per frame.
class CSpectrumEstimator {
public:
    static constexpr unsigned kMinSize = 2;
    static constexpr unsigned kMaxSize = 1u << 20;

    // ownsInput 1: the estimator allocates its own input array (Input()).
    // 0: the caller supplies it through SetSize.
    explicit CSpectrumEstimator(int ownsInput = 0);
    virtual ~CSpectrumEstimator();
    CSpectrumEstimator(const CSpectrumEstimator&) = delete;
    CSpectrumEstimator& operator=(const CSpectrumEstimator&) = delete;

    // Sizes the transform. Returns 0 for a size that is not a power of two in
    // 2 ... 2^20 (nothing changes) or when memory runs out (the estimator is
    // then unsized); 1 when sized, at once when n is the current size. Unless
    // the estimator owns its input, a non-null `input` becomes the input
    // array (also at the current size): N complex doubles, or N real doubles
    // for RealFft. Averaging restarts after a new size.
    virtual int SetSize(unsigned n, void* input);
    // Transform of N real input samples (imaginary parts 0).
    virtual Cpx* RealFft();
    // Allocates every array for n = 2^log2n and computes window and twiddles.
    virtual int Allocate(unsigned n, int log2n);
    // Frees every array; the estimator is unsized.
    virtual void Release();

    // X[k] = (1/N) sum_n w[n] x[n] e^(-j 2 pi k n / N), k = 0 ... N-1.
    Cpx* ComplexFft();
    // Power |X|^2, running average (the first frame after sizing is taken as
    // it is), then 10*log10(p + 1e-200). Returns the work array as N doubles.
    double* ToDb();
    // Exchanges the halves of the N dB values: index 0 is then -N/2 bins,
    // index N/2 is 0 Hz.
    double* SwapHalves();

    // a in avg = a*avg + (1-a)*power; 0 turns averaging off.
    void SetAveraging(double a) { averaging_.store(a, std::memory_order_relaxed); }
    // Window shape (SpectrumWindow) for the next allocation (a new size);
    // an unknown type is ignored.
    void SetWindow(int type);
    // Kaiser window with parameter beta, for the next allocation.
    void SetKaiserWindow(double beta) { windowType_ = kWindowKaiser, kaiserBeta_ = beta; }

    unsigned Size() const { return size_; }
    int Log2Size() const { return log2Size_; }
    int WindowType() const { return windowType_; }
    void* Input() { return input_; }
    const double* Window() const { return window_.data(); }
    const Cpx* Twiddles() const { return twiddles_.data(); }
    const double* Average() const { return average_.data(); }
    Cpx* Work() { return work_.data(); }

private:
    void ComputeWindow();
    void Transform(bool realInput);

    unsigned size_ = 0;
    int log2Size_ = 0;
    std::vector<Cpx> twiddles_;  // W[k] = e^(-j 2 pi k / N), k < N/2
    void* input_ = nullptr;
    std::vector<Cpx> ownInput_;
    std::vector<Cpx> work_;
    int ownsInput_;
    int firstFrame_ = 0;
    std::vector<double> average_;
    std::vector<int> bitReverse_;
    std::atomic<double> averaging_{0.0};
    int windowType_ = kWindowHann;
    double kaiserBeta_ = 8.0;
    std::vector<double> window_;

    // The fast transform's own arrays (split buffers, per-sweep twiddles).
    SpectrumTransform transform_;
};

}  // namespace velorix
