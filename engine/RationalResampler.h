#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "DspTypes.h"

namespace velorix {

// A rate change by up/down, in lowest terms.
struct ResampleRatio {
    int up = 1;
    int down = 1;
};

// The ratio closest to outRateHz / inRateHz whose terms are at most
// `maxTerm`: exact when both rates are whole numbers whose reduced ratio fits,
// else the best continued-fraction approximation. Rates must be positive.
ResampleRatio ApproximateRatio(double inRateHz, double outRateHz, int maxTerm);

// Changes the rate of a complex stream by up/down with one polyphase FIR,
// a Kaiser-windowed low-pass from the engine's own design. The band is set
// by the narrower of the two rates, n: flat to ±pass·n, at least
// `attenuationDb` down from ±stop·n. With pass + stop = 1 nothing aliases
// into ±pass·n; what lies between the two edges may fold into the other.
//
// Output j stands for input time j·down/up: the filter's delay is taken out,
// so a stream of c inputs gives exactly ceil(c·up/down) outputs once Flush
// has run. Not thread-safe; Process does not allocate once it has seen its
// largest block.
class RationalResampler {
public:
    RationalResampler(ResampleRatio ratio, double pass, double stop, double attenuationDb);

    int Up() const { return up_; }
    int Down() const { return down_; }
    // Taps each output costs.
    int TapsPerPhase() const { return taps_; }

    // Room Process and Flush need in `out` for `count` inputs.
    std::size_t MaxOutput(std::size_t count) const;
    // Filters `count` inputs into `out`; returns the outputs written.
    std::size_t Process(const Cpx* in, std::size_t count, Cpx* out);
    // Once the input has ended: the outputs still owed, written to `out`
    // (MaxOutput(TapsPerPhase()) room). Further calls write nothing.
    std::size_t Flush(Cpx* out);

private:
    // Outputs up to `limit` (exclusive) whose inputs are all in the window.
    std::size_t Run(Cpx* out, std::int64_t limit);

    int up_;
    int down_;
    int taps_;  // per phase, a multiple of the kernel's block
    int delay_;
    // Phase p's taps, oldest input first, each written twice (for I and Q):
    // 2·taps_ doubles a phase.
    std::vector<double> phases_;
    std::vector<Cpx> window_;   // the inputs from index first_ on
    std::int64_t first_ = 0;    // input index of window_[0]
    std::int64_t inputs_ = 0;   // inputs received
    std::int64_t outputs_ = 0;  // outputs written
    bool flushed_ = false;
};

namespace kernels {
// Output y = Σ_i w[i]·x[i] over `doubles` interleaved values (a multiple
// of 16), the even ones summed into y[0], the odd ones into y[1].
void ResampleDotBaseline(const double* w, const double* x, int doubles, double* y);
void ResampleDotAvx2(const double* w, const double* x, int doubles, double* y);
}  // namespace kernels

}  // namespace velorix
