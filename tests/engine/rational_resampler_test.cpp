#include "RationalResampler.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "FirKernels.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

using test::ComplexTone;
using test::Db;
using test::DftAt;

TEST(ApproximateRatio, ReducesWholeRatesAndApproximatesTheRest) {
    struct Case {
        double in, out;
        int up, down;
    };
    for (const Case& c :
         {Case{48000, 125000, 125, 48}, Case{2.4e6, 500000, 5, 24}, Case{44100, 125000, 1250, 441},
          Case{500000, 500000, 1, 1}, Case{10e6, 500000, 1, 20}}) {
        const ResampleRatio r = ApproximateRatio(c.in, c.out, 4096);
        EXPECT_EQ(r.up, c.up) << c.in;
        EXPECT_EQ(r.down, c.down) << c.in;
    }
    // No small exact ratio: the best one within the bound, a few ppm off.
    const ResampleRatio r = ApproximateRatio(1e6 / 3.0, 500000, 4096);
    EXPECT_LE(std::max(r.up, r.down), 4096);
    EXPECT_NEAR(double(r.up) / r.down, 1.5, 1.5e-6);
}

// Runs `in` through a resampler in blocks of `block` inputs, then flushes.
std::vector<Cpx> Resample(RationalResampler& r, const std::vector<Cpx>& in, size_t block) {
    std::vector<Cpx> out;
    std::vector<Cpx> room(r.MaxOutput(std::max<size_t>(block, r.TapsPerPhase())));
    for (size_t at = 0; at < in.size(); at += block) {
        const size_t n = std::min(block, in.size() - at);
        const size_t got = r.Process(in.data() + at, n, room.data());
        out.insert(out.end(), room.begin(), room.begin() + static_cast<long>(got));
    }
    const size_t got = r.Flush(room.data());
    out.insert(out.end(), room.begin(), room.begin() + static_cast<long>(got));
    return out;
}

// A tone inside the pass band comes out at its own frequency, level and
// phase (the filter's delay taken out), and whatever else comes out (ripple,
// aliases, images) stays near the stop-band attenuation below it; the
// outputs do not depend on how the input is cut into blocks.
TEST(RationalResampler, PassesAToneAloneAndAlignedForEveryRatio) {
    struct Case {
        double inHz, outHz, toneHz;
    };
    for (const Case& c : {Case{2e6, 500000, 180000}, Case{192000, 250000, -70000},
                          Case{44100, 125000, 15000}, Case{1e6 / 3.0, 500000, 100000}}) {
        SCOPED_TRACE(c.inHz);
        const ResampleRatio ratio = ApproximateRatio(c.inHz, c.outHz, 4096);
        const size_t count = static_cast<size_t>(c.inHz * 0.02);
        const std::vector<Cpx> in = ComplexTone(count, c.toneHz / c.inHz, 0.5, 0.3);
        RationalResampler whole(ratio, 0.42, 0.58, 90.0);
        const std::vector<Cpx> out = Resample(whole, in, count);
        const size_t expected = (count * ratio.up + ratio.down - 1) / ratio.down;
        ASSERT_EQ(out.size(), expected);
        RationalResampler pieces(ratio, 0.42, 0.58, 90.0);
        EXPECT_EQ(Resample(pieces, in, 777), out);

        // The real output rate, which differs from outHz by the ratio's error.
        const double rate = c.inHz * ratio.up / ratio.down;
        const double f = c.toneHz / rate;
        // Away from both ends, where the input starts and stops abruptly.
        const size_t from = out.size() / 4, span = out.size() / 2;
        const Cpx amp = DftAt(out, f, from, span) / std::polar(1.0, kTwoPi * f * double(from));
        EXPECT_NEAR(Db(std::abs(amp) / 0.5), 0.0, 0.001);
        EXPECT_NEAR(std::arg(amp), 0.3, 1e-3);
        double residual = 0.0;
        for (size_t n = from; n < from + span; ++n)
            residual += std::norm(out[n] - amp * std::polar(1.0, kTwoPi * f * double(n)));
        EXPECT_LT(Db(std::sqrt(residual / double(span)) / 0.5), -85.0);
    }
}

// What lies beyond the narrower rate's band is not folded into it: a tone
// at 400 kHz of a 2 MHz stream, whose alias at 500 kHz would be -100 kHz,
// is gone.
TEST(RationalResampler, DropsWhatLiesBeyondTheNewRate) {
    const ResampleRatio ratio{1, 4};
    RationalResampler r(ratio, 0.42, 0.58, 90.0);
    const std::vector<Cpx> in = ComplexTone(40000, 400000.0 / 2e6, 1.0);
    const std::vector<Cpx> out = Resample(r, in, 4096);
    const Cpx alias = DftAt(out, -100000.0 / 500000, 2500, 5000);
    EXPECT_LT(Db(std::abs(alias)), -90.0);
}

TEST(RationalResampler, KernelVariantsAgree) {
    std::vector<double> w(64), x(64);
    double direct[2] = {0.0, 0.0};
    for (size_t i = 0; i < w.size(); ++i) {
        w[i] = std::sin(0.3 * double(i));
        x[i] = std::cos(0.7 * double(i));
        direct[i % 2] += w[i] * x[i];
    }
    double y[2];
    for (auto dot : {kernels::ResampleDotBaseline, kernels::ResampleDotAvx2}) {
        if (dot == kernels::ResampleDotAvx2 && !kernels::UseAvx2()) continue;
        dot(w.data(), x.data(), 64, y);
        EXPECT_NEAR(y[0], direct[0], 1e-12);
        EXPECT_NEAR(y[1], direct[1], 1e-12);
    }
}

}  // namespace
}  // namespace velorix
