#include "DspMath.h"

#include <bit>
#include <cstdint>

namespace velorix {
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

}  // namespace

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
