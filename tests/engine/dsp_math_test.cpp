#include <gtest/gtest.h>

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

TEST(LevelConversion, FloorsAndFactors) {
    EXPECT_NEAR(AmplitudeToDb(0.0), -1600.0, 1e-9);
    EXPECT_NEAR(AmplitudeToDb(0.5), -6.0206, 1e-4);
    EXPECT_NEAR(PowerToDb(0.0), -2000.0, 1e-9);
    EXPECT_NEAR(DbToAmplitude(-42.0), 0.0079433, 1e-7);
    EXPECT_NEAR(DbToAmplitude(AmplitudeToDb(0.123)), 0.123, 1e-15);
}

}  // namespace
}  // namespace velorix
