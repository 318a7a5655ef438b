#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "AcqBoard.h"
#include "FirKernels.h"
#include "SampleConversion.h"

namespace velorix {
namespace {

// The vectorised conversion gives the very bits of the plain one, for every
// byte pattern and for counts that end inside and outside its two-frame step.
TEST(SampleConversion, VectorisedVariantEqualsThePlainOneBitForBit) {
    if (!kernels::UseAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(5);
    std::vector<std::uint8_t> raw(6 * CAcqBoard::kUnitFrames);
    for (auto& b : raw)
        b = static_cast<std::uint8_t>(rng());
    // The extremes: full scale both ways, -1 and 0.
    const std::uint8_t extremes[] = {0xff, 0xff, 0x7f, 0x00, 0x00, 0x80,
                                     0xff, 0xff, 0xff, 0x00, 0x00, 0x00};
    std::copy(std::begin(extremes), std::end(extremes), raw.begin() + 6 * 10);
    for (int frames : {1, 2, 3, 4, 5, 1023, CAcqBoard::kUnitFrames}) {
        std::vector<Cpx> plain(frames + 1, Cpx(7.0, 7.0)), fast(frames + 1, Cpx(7.0, 7.0));
        kernels::ConvertFramesBaseline(raw.data(), plain.data(), frames, CAcqBoard::kSampleScale);
        kernels::ConvertFramesAvx2(raw.data(), fast.data(), frames, CAcqBoard::kSampleScale);
        for (int i = 0; i <= frames; ++i)
            ASSERT_EQ(std::memcmp(&plain[i], &fast[i], sizeof(Cpx)), 0)
                << frames << " frames, sample " << i;
        EXPECT_EQ(fast[frames], Cpx(7.0, 7.0));  // nothing written past the end
    }
}

}  // namespace
}  // namespace velorix
