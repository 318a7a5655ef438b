#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "DspBlock.h"
#include "DspTypes.h"

namespace velorix::test {

// Runs a block's Process over `in` in pieces of `chunk` samples, as the chain
// would, and returns the output as complex samples. `afterChunk` (if given)
// is called after each piece.
template <typename Block, typename After>
std::vector<Cpx> RunInChunks(Block& block, const std::vector<Cpx>& in, int chunk, After after) {
    std::vector<Cpx> out(in.size());
    for (size_t i = 0; i < in.size(); i += chunk) {
        const int n = static_cast<int>(std::min<size_t>(chunk, in.size() - i));
        block.Process(out.data() + i, in.data() + i, n);
        after();
    }
    return out;
}

template <typename Block>
std::vector<Cpx> RunInChunks(Block& block, const std::vector<Cpx>& in, int chunk = 128) {
    return RunInChunks(block, in, chunk, [] {});
}

// A carrier of `amplitude` at `offsetHz` from 0 Hz at `rateKHz`, starting at
// phase `phase0`.
inline std::vector<Cpx> Carrier(size_t n, double amplitude, double offsetHz, double rateKHz,
                                double phase0 = 0.3) {
    std::vector<Cpx> v(n);
    const double step = 2.0 * std::numbers::pi * offsetHz / (rateKHz * 1000.0);
    for (size_t i = 0; i < n; ++i)
        v[i] = std::polar(amplitude, phase0 + step * static_cast<double>(i));
    return v;
}

inline std::vector<double> RealParts(const std::vector<Cpx>& v, size_t from, size_t count) {
    std::vector<double> r(count);
    for (size_t i = 0; i < count; ++i)
        r[i] = v[from + i].real();
    return r;
}

}  // namespace velorix::test
