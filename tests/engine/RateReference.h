#pragma once

#include <vector>

#include "HalfBandCoefficients.h"

namespace velorix::test {

// One coefficient set with its filter length, for tables of cases.
struct RateSet {
    const char* name;
    int length;
    const double* taps;
};

inline const std::vector<RateSet>& AllHalfBandSets() {
    static const std::vector<RateSet> sets = {
        {"H7a", kH7Length, H7a},    {"H7b", kH7Length, H7b},    {"H7c", kH7Length, H7c},
        {"H11a", kH11Length, H11a}, {"H11b", kH11Length, H11b}, {"H15", kH15Length, H15},
        {"H23", kH23Length, H23},   {"H79", kH79Length, H79}};
    return sets;
}

// The full N-tap impulse response of a half-band set given by its 2m + 1
// non-zero taps: outer taps at the even positions, the centre at 2m − 1,
// zeros at the other odd positions.
inline std::vector<double> ExpandHalfBand(const double* compact, int length) {
    const int m = (length + 1) / 4;
    std::vector<double> h(length, 0.0);
    for (int j = 0; j < m; ++j) {
        h[2 * j] = compact[j];
        h[2 * m + 2 * j] = compact[m + 1 + j];
    }
    h[2 * m - 1] = compact[m];
    return h;
}

}  // namespace velorix::test
