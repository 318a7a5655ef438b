#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "DspMath.h"

namespace velorix {
namespace {

TEST(LevelConversion, FastPowerToDbAgreesWithLog10OverTheWholeRange) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::vector<double> p;
    // From -2000 dB (silence) through the subnormals to the largest doubles.
    for (int e = -320; e <= 307; ++e)
        for (int i = 0; i < 16; ++i)
            p.push_back(mant(rng) * std::pow(10.0, e));
    p.push_back(0.0);
    p.push_back(std::numeric_limits<double>::denorm_min());
    p.push_back(1e-200);
    p.push_back(1.0);
    p.push_back(std::sqrt(2.0));
    p.push_back(std::nextafter(std::sqrt(2.0), 2.0));
    p.push_back(std::numeric_limits<double>::max() / 2);
    std::vector<double> db = p;
    PowerToDbArray(db.data(), static_cast<int>(db.size()));
    std::vector<double> db2(p.size());
    PowerToDbArray(db2.data(), p.data(), static_cast<int>(p.size()));
    double worst = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const double ref = 10.0 * std::log10(p[i] + 1e-200);
        worst = std::max(worst, std::abs(db[i] - ref));
        ASSERT_EQ(db[i], db2[i]);
    }
    EXPECT_LT(worst, 1e-9);
    EXPECT_NEAR(db[p.size() - 7], -2000.0, 1e-9);
}

TEST(LevelConversion, FastDbToAmplitudeAgreesWithPowWithinItsStatedError) {
    // Levels across the AGC's whole range, with the bound growing with |dB|
    // as the rounding of the scaled level does.
    std::vector<double> db;
    for (double v = -1600.0; v <= 1600.0; v += 0.37)
        db.push_back(v);
    for (double v : {0.0, -0.0, 1e-300, 6.0, -6.0, -42.0, 20.0 * std::log10(2.0)})
        db.push_back(v);
    std::vector<double> factor(db.size());
    DbToAmplitudeArray(factor.data(), db.data(), static_cast<int>(db.size()));
    double worstNear = 0, worstAll = 0;
    for (size_t i = 0; i < db.size(); ++i) {
        const long double ref = std::pow(10.0L, static_cast<long double>(db[i]) / 20.0L);
        const double rel = static_cast<double>(std::abs((factor[i] - ref) / ref));
        worstAll = std::max(worstAll, rel);
        if (std::abs(db[i]) <= 200.0) worstNear = std::max(worstNear, rel);
    }
    EXPECT_LT(worstNear, 5e-15);            // measured 3.6e-15
    EXPECT_LT(worstAll, 5e-14);             // measured 2.9e-14 at ±1600 dB
    EXPECT_EQ(factor[db.size() - 7], 1.0);  // 0 dB is exactly unity
    // Far outside any level the AGC reaches: finite, never 0 or infinity.
    const double extremes[2] = {-1e5, 1e5};
    double out[2];
    DbToAmplitudeArray(out, extremes, 2);
    EXPECT_GT(out[0], 0.0);
    EXPECT_TRUE(std::isfinite(out[1]));
}

TEST(LevelConversion, FloorsAndFactors) {
    EXPECT_NEAR(AmplitudeToDb(0.0), -1600.0, 1e-9);
    EXPECT_NEAR(AmplitudeToDb(0.5), -6.0206, 1e-4);
    EXPECT_NEAR(PowerToDb(0.0), -2000.0, 1e-9);
    EXPECT_NEAR(DbToAmplitude(-42.0), 0.0079433, 1e-7);
    EXPECT_NEAR(DbToAmplitude(AmplitudeToDb(0.123)), 0.123, 1e-15);
}

}  // namespace
}  // namespace velorix
