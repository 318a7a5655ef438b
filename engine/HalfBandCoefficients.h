#pragma once

namespace velorix {

// Half-band filter coefficient sets of the decimation and interpolation
// cascades. A set for a filter of length N = 4m - 1 holds only its 2m + 1
// non-zero taps: the m outer taps before the centre, the centre (0.5) and
// the m outer taps after it. Every set is symmetric and sums to 1 within
// 5e-7. The arrays live for the whole program run; blocks do not own them.
inline constexpr int kH7Length = 7;
inline constexpr int kH11Length = 11;
inline constexpr int kH15Length = 15;
inline constexpr int kH23Length = 23;
inline constexpr int kH79Length = 79;

// Number of stored (non-zero) taps of a half-band filter of length n.
constexpr int HalfBandStoredTaps(int n) {
    return (n + 1) / 2 + 1;
}

extern const double H7a[HalfBandStoredTaps(kH7Length)];
extern const double H7b[HalfBandStoredTaps(kH7Length)];
extern const double H7c[HalfBandStoredTaps(kH7Length)];
extern const double H11a[HalfBandStoredTaps(kH11Length)];
extern const double H11b[HalfBandStoredTaps(kH11Length)];
extern const double H15[HalfBandStoredTaps(kH15Length)];
extern const double H23[HalfBandStoredTaps(kH23Length)];
extern const double H79[HalfBandStoredTaps(kH79Length)];

}  // namespace velorix
