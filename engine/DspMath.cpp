#include "DspMath.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace velorix {

double AdvancePhase(double phi, int n, double omega) {
    const double product = n * omega;
    const double error = std::fma(static_cast<double>(n), omega, -product);
    phi += std::fmod(product, kTwoPi) + error;
    if (phi >= kTwoPi) phi -= kTwoPi;
    if (phi < 0.0) phi += kTwoPi;
    return phi;
}

namespace {

// 10*log10(p + 1e-200) without libm, written so that the compiler vectorises
// it: the exponent and mantissa are split by bit operations, the mantissa is
// brought into [sqrt(1/2), sqrt(2)) and ln(m) = 2*atanh(s), s = (m-1)/(m+1),
// is summed to s^13 (|s| <= 0.1716, truncation error below 1e-12).
inline double FastPowerToDb(double p) {
    constexpr double kTenOverLn10 = 4.3429448190325182765;
    constexpr double kLn2 = 0.69314718055994530942;
    constexpr double kTwoPow52 = 4503599627370496.0;
    const double x = p + 1e-200;  // >= 1e-200: always a normal number
    const uint64_t bits = std::bit_cast<uint64_t>(x);
    const uint64_t mantissa = bits & 0x000fffffffffffffull;
    // Mantissas above sqrt(2) take the next exponent and halve: integer
    // operations only, so the loop vectorises.
    const uint64_t high = (mantissa + (0x0010000000000000ull - 0x6a09e667f3bcdull)) >> 52;
    const uint64_t expBits = ((bits >> 52) & 0x7ff) + high;
    // The biased exponent as a double without an integer conversion.
    const double e = std::bit_cast<double>(expBits | 0x4330000000000000ull) - kTwoPow52 - 1023.0;
    const double m = std::bit_cast<double>(mantissa | ((0x3ffull - high) << 52));
    const double s = (m - 1.0) / (m + 1.0);
    const double s2 = s * s;
    double poly = 1.0 / 13.0;
    poly = poly * s2 + 1.0 / 11.0;
    poly = poly * s2 + 1.0 / 9.0;
    poly = poly * s2 + 1.0 / 7.0;
    poly = poly * s2 + 1.0 / 5.0;
    poly = poly * s2 + 1.0 / 3.0;
    poly = poly * s2 + 1.0;
    const double lnX = e * kLn2 + 2.0 * s * poly;
    return kTenOverLn10 * lnX;
}

// 10^(db/20) without libm, vectorisable: t = db/20·log2(10) is split into
// the nearest integer k and f in [-0.5, 0.5]; 2^f = e^{f·ln 2} by its Taylor
// series to the 13th power (|f·ln 2| <= 0.347, truncation below 1e-17), and
// 2^k is built in the exponent bits.
inline double FastDbToAmplitude(double db) {
    constexpr double kLog2TenOver20 = 0.16609640474436811739;  // log2(10)/20
    constexpr double kLn2 = 0.69314718055994530942;
    constexpr double kRound = 6755399441055744.0;  // 1.5·2^52: adding it rounds to an integer
    const double t = std::min(std::max(db * kLog2TenOver20, -1020.0), 1020.0);
    const double shifted = t + kRound;
    const double k = shifted - kRound;
    // k as an integer sits in the low mantissa bits of `shifted`.
    const uint64_t kBits = std::bit_cast<uint64_t>(shifted) - std::bit_cast<uint64_t>(kRound);
    const double scale = std::bit_cast<double>((kBits + 1023) << 52);
    const double g = (t - k) * kLn2;
    double poly = 1.0 / 6227020800.0;  // 1/13!
    poly = poly * g + 1.0 / 479001600.0;
    poly = poly * g + 1.0 / 39916800.0;
    poly = poly * g + 1.0 / 3628800.0;
    poly = poly * g + 1.0 / 362880.0;
    poly = poly * g + 1.0 / 40320.0;
    poly = poly * g + 1.0 / 5040.0;
    poly = poly * g + 1.0 / 720.0;
    poly = poly * g + 1.0 / 120.0;
    poly = poly * g + 1.0 / 24.0;
    poly = poly * g + 1.0 / 6.0;
    poly = poly * g + 0.5;
    poly = poly * g + 1.0;
    poly = poly * g + 1.0;
    return poly * scale;
}

}  // namespace

VELORIX_HOT_CLONES void DbToAmplitudeArray(double* __restrict factors, const double* __restrict db,
                                           int count) {
    for (int i = 0; i < count; ++i)
        factors[i] = FastDbToAmplitude(db[i]);
}

VELORIX_HOT_CLONES void PowerToDbArray(double* values, int count) {
    for (int i = 0; i < count; ++i)
        values[i] = FastPowerToDb(values[i]);
}

VELORIX_HOT_CLONES void PowerToDbArray(double* __restrict db, const double* __restrict powers,
                                       int count) {
    for (int i = 0; i < count; ++i)
        db[i] = FastPowerToDb(powers[i]);
}

}  // namespace velorix
