#include <gtest/gtest.h>

#include <cstdint>

#include "PreselectorBands.h"

namespace velorix {
namespace {

TEST(PreselectorBands, EachBandsFirstAndLastFrequency) {
    const std::int64_t lower[11] = {0,       1700000,  2100000,  3000000,  4200000, 6000000,
                                    8400000, 12000000, 17000000, 24000000, 32000000};
    for (int band = 0; band < 11; ++band) {
        EXPECT_EQ(PreselectorBandFor(lower[band], true), band) << band;
        if (band < 10) {
            EXPECT_EQ(PreselectorBandFor(lower[band + 1] - 1, true), band) << band;
        }
    }
    EXPECT_EQ(PreselectorBandFor(40000000, true), 10);
    EXPECT_EQ(PreselectorBandFor(7100000, true), 5);
    EXPECT_EQ(PreselectorBandFor(7100000, false), 10);
}

}  // namespace
}  // namespace velorix
