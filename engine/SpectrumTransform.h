#pragma once

#include <vector>

#include "DspTypes.h"

namespace velorix {

// The spectrum estimator's transform engine: an in-place decimation-in-time
// transform whose result equals the plain radix-2 one (same twiddles, same
// 1/N scaling, natural output order) but that runs two radix-2 stages per
// sweep, on split real/imaginary arrays, with the small stages done block by
// block while the block is in cache. Arrays are padded so that the streams
// of one sweep do not fall into the same cache sets.
//
// Not thread-safe: one per estimator, used on its display's thread.
class SpectrumTransform {
public:
    // Prepares for n = 2^log2n points from the estimator's bit-reversal
    // table and twiddles W[k] = e^(-j 2 pi k / n), k < n/2. Throws
    // std::bad_alloc when memory runs out.
    void Build(unsigned n, int log2n, const std::vector<int>& bitReverse,
               const std::vector<Cpx>& twiddles);
    void Clear();

    // out[k] = (1/n) sum_i window[i] x[i] e^(-j 2 pi k i / n). `input` holds n
    // complex samples (interleaved doubles), or n real samples when realInput.
    void Run(const double* input, bool realInput, const double* window, Cpx* out);

private:
    struct Pass {
        unsigned span;  // length of the sub-transforms combined, 4 of them per group
        size_t twiddleOffset;
        unsigned twiddleStride;  // distance between the real and imaginary twiddle rows
    };

    unsigned n_ = 0;
    int log2n_ = 0;
    const int* bitReverse_ = nullptr;
    std::vector<double> split_;  // real parts, padding, imaginary parts
    std::vector<double> twiddles_;
    std::vector<Pass> passes_;
};

}  // namespace velorix
