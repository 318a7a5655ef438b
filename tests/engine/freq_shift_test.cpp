#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "DspFreqShift.h"
#include "DspTabFreqShift.h"
#include "FirKernels.h"
#include "ShiftKernels.h"
#include "ShiftTables.h"
#include "TestBlocks.h"
#include "TestEnv.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

const test::ShiftTables& Tables() {
    static const test::ShiftTables tables;
    return tables;
}

std::unique_ptr<CDspFreqShift> MakeShifter(bool table, int realOutput, int capacity = 1024) {
    if (table)
        return std::make_unique<CDspTabFreqShift>(capacity, Tables().cosTable.data(),
                                                  Tables().sinTable.data(),
                                                  test::ShiftTables::kSize, realOutput);
    return std::make_unique<CDspFreqShift>(capacity, realOutput);
}

// Sets the shifter's rate and runs `in` through its Process in pieces of
// 1000, so the phase must carry over from piece to piece.
std::vector<Cpx> Shift(CDspFreqShift& shifter, double rateKHz, const std::vector<Cpx>& in) {
    if (shifter.rate != rateKHz) shifter.SetRate(rateKHz);
    std::vector<Cpx> out(in.size());
    for (size_t i = 0; i < in.size(); i += 1000) {
        const int n = static_cast<int>(std::min<size_t>(1000, in.size() - i));
        shifter.Process(out.data() + i, in.data() + i, n);
    }
    return out;
}

class ShifterKinds : public ::testing::TestWithParam<bool> {};

TEST_P(ShifterKinds, ToneMovesByTheSumOfTuneAndModeOffsets) {
    const double rateKHz = 125.0;
    const double toneHz = 10000.0;
    struct Case {
        double tuneHz, modeHz;
    };
    for (const Case c : {Case{-10000.0, 0.0}, Case{-1500.0, 1500.0}, Case{2500.0, -1500.0},
                         Case{-31000.0, 600.0}, Case{40000.0, 8000.0}}) {
        auto shifter = MakeShifter(GetParam(), 0);
        shifter->SetTuneOffset(c.tuneHz);
        shifter->SetModeOffset(c.modeHz);
        const auto out =
            Shift(*shifter, rateKHz, test::ComplexTone(32768, toneHz / (rateKHz * 1000), 0.8));
        ASSERT_EQ(out.size(), 32768u);
        double expected = (toneHz + c.tuneHz + c.modeHz) / (rateKHz * 1000);
        expected -= std::round(expected);  // aliased into (−0.5, 0.5]
        EXPECT_NEAR(test::PhaseStepCycles(out, 0, out.size()), expected, 1e-12)
            << "tune " << c.tuneHz << " mode " << c.modeHz;
        // The shift is a pure rotation: the amplitude is untouched.
        // The table's first-order phasor is exact to within 4.6e-9 in magnitude.
        EXPECT_NEAR(test::Rms(out, 0, out.size()), 0.8, 0.8 * 4.6e-9);
        EXPECT_DOUBLE_EQ(shifter->GetTuneOffset(), c.tuneHz);
    }
}

TEST_P(ShifterKinds, OffsetsSummingToZeroPassTheInputUnchanged) {
    const auto in = test::ComplexNoise(5000, 3);
    auto shifter = MakeShifter(GetParam(), 0);
    shifter->SetTuneOffset(700.0);
    Shift(*shifter, 250.0, in);  // leaves a running phase behind
    EXPECT_NE(shifter->Phase(), 0.0);
    shifter->SetModeOffset(-700.0);
    EXPECT_EQ(shifter->Increment(), 0.0);
    const auto out = Shift(*shifter, 250.0, in);
    EXPECT_EQ(shifter->Phase(), 0.0);
    ASSERT_EQ(out.size(), 5000u);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], in[i]) << i;

    auto real = MakeShifter(GetParam(), 1);
    const auto realOut = Shift(*real, 250.0, in);
    for (size_t i = 0; i < realOut.size(); ++i)
        ASSERT_EQ(realOut[i], Cpx(in[i].real(), in[i].real())) << i;
}

TEST_P(ShifterKinds, RealOutputIsTheRealPartOfTheComplexOutputInBothHalves) {
    const auto in = test::ComplexNoise(4096, 5);
    auto complexOut = MakeShifter(GetParam(), 0);
    auto realOut = MakeShifter(GetParam(), 0);
    realOut->SetRealOutput(1);
    for (auto* s : {complexOut.get(), realOut.get()}) {
        s->SetTuneOffset(-3333.0);
        s->SetModeOffset(1360.0);
    }
    const auto c = Shift(*complexOut, 31.25, in);
    const auto r = Shift(*realOut, 31.25, in);
    ASSERT_EQ(r.size(), c.size());
    for (size_t i = 0; i < r.size(); ++i) {
        ASSERT_EQ(r[i].real(), r[i].imag());
        ASSERT_EQ(r[i].real(), c[i].real());
    }
}

TEST_P(ShifterKinds, NegativeAndWholeRateOffsetsWrapTheIncrement) {
    auto shifter = MakeShifter(GetParam(), 0);
    shifter->SetRate(125.0);
    shifter->SetTuneOffset(-25000.0);  // −0.2 cycles per sample
    EXPECT_NEAR(shifter->Increment(), kTwoPi * 0.8, 1e-12);
    EXPECT_GT(shifter->Increment(), std::numbers::pi);
    const auto out = Shift(*shifter, 125.0, test::ComplexTone(8192, 0.05));
    EXPECT_NEAR(test::PhaseStepCycles(out, 0, out.size()), -0.15, 1e-12);

    for (double multiple : {125000.0, -250000.0, 3.0 * 125000.0}) {
        shifter->SetTuneOffset(0.0);
        shifter->SetModeOffset(multiple);
        EXPECT_EQ(shifter->Increment(), 0.0) << multiple;
        const auto in = test::ComplexNoise(3000, 9);
        const auto same = Shift(*shifter, 125.0, in);
        EXPECT_EQ(shifter->Phase(), 0.0);
        for (size_t i = 0; i < same.size(); ++i)
            ASSERT_EQ(same[i], in[i]) << multiple << " at " << i;
    }
}

TEST_P(ShifterKinds, RestartRescalesTheIncrementToTheNewRate) {
    auto shifter = MakeShifter(GetParam(), 0);
    shifter->SetTuneOffset(1000.0);
    EXPECT_EQ(shifter->Increment(), 0.0);  // no rate yet: no shift
    shifter->SetRate(125.0);
    EXPECT_NEAR(shifter->Increment(), kTwoPi * 1000.0 / 125000.0, 1e-15);
    shifter->SetRate(500.0);
    EXPECT_NEAR(shifter->Increment(), kTwoPi * 1000.0 / 500000.0, 1e-15);
    const auto out = Shift(*shifter, 500.0, test::ComplexTone(4096, 0.0));
    EXPECT_NEAR(test::PhaseStepCycles(out, 0, out.size()), 0.002, 1e-13);
}

TEST_P(ShifterKinds, RestartKeepsTheRunningPhase) {
    auto shifter = MakeShifter(GetParam(), 0);
    shifter->SetTuneOffset(700.0);
    Shift(*shifter, 250.0, test::ComplexNoise(5003, 4));
    const double phase = shifter->Phase();
    EXPECT_GT(phase, 0.0);
    shifter->SetRate(250.0);
    EXPECT_EQ(shifter->Phase(), phase);
    shifter->SetRate(500.0);  // ω rescaled, φ untouched
    EXPECT_EQ(shifter->Phase(), phase);
}

INSTANTIATE_TEST_SUITE_P(TrigAndTable, ShifterKinds, ::testing::Values(false, true),
                         [](const auto& kind) { return kind.param ? "Table" : "Trig"; });

TEST(TableShifter, AgreesWithTheTrigonometricShifterWithin1e8) {
    const auto in = test::ComplexTone(200000, 0.0123, 1.0);
    for (double offsetHz : {1.0, 123.456, -7777.7, 31249.9, 62499.0, -62500.0, 1e-3}) {
        CDspFreqShift trig(1024, 0);
        CDspTabFreqShift tab(1024, Tables().cosTable.data(), Tables().sinTable.data(),
                             test::ShiftTables::kSize, 0);
        trig.SetTuneOffset(offsetHz);
        tab.SetTuneOffset(offsetHz);
        const auto a = Shift(trig, 125.0, in);
        const auto b = Shift(tab, 125.0, in);
        ASSERT_EQ(a.size(), b.size());
        EXPECT_LT(test::MaxAbsDiff(a, b, a.size()), 1e-8) << offsetHz;
    }
}

TEST(ShifterPair, UsbOffsetsBringAToneOneKilohertzAboveTheTunedFrequencyToOneKilohertz) {
    // Shifter 1 moves the upper sideband's centre to 0 Hz, shifter 2 moves it
    // back and keeps the real part as audio.
    CDspTabFreqShift first(1024, Tables().cosTable.data(), Tables().sinTable.data(),
                           test::ShiftTables::kSize, 0);
    CDspTabFreqShift second(1024, Tables().cosTable.data(), Tables().sinTable.data(),
                            test::ShiftTables::kSize, 1);
    first.SetModeOffset(-1500.0);
    second.SetModeOffset(1500.0);
    test::TestSource src(1024);
    test::TestSink sink(1024);
    src.Connect(&first);
    first.Connect(&second);
    second.Connect(&sink);
    src.SetRate(31.25);
    src.Push(test::ComplexTone(31250, 1000.0 / 31250.0));
    ASSERT_EQ(sink.received.size(), 30720u);
    // The audio is the real part (both halves carry it): a cosine at 1 kHz,
    // half the amplitude at ±1 kHz, nothing elsewhere. 30000 samples hold
    // whole periods of every frequency compared.
    std::vector<Cpx> audio;
    for (const Cpx& z : sink.received)
        audio.push_back(Cpx(z.real(), 0.0));
    const size_t n = 30000;
    EXPECT_NEAR(std::abs(test::DftAt(audio, 1000.0 / 31250.0, 0, n)), 0.5, 1e-8);
    EXPECT_NEAR(std::abs(test::DftAt(audio, -1000.0 / 31250.0, 0, n)), 0.5, 1e-8);
    EXPECT_LT(std::abs(test::DftAt(audio, 2500.0 / 31250.0, 0, n)), 1e-8);
}

TEST(Shifters, NameThemselves) {
    std::string name;
    CDspFreqShift trig(16, 0);
    EXPECT_EQ(trig.GetName(name), "CDspFreqShift");
    CDspTabFreqShift tab(16, Tables().cosTable.data(), Tables().sinTable.data(),
                         test::ShiftTables::kSize, 0);
    EXPECT_EQ(tab.GetName(name), "CDspTabFreqShift");
    EXPECT_THROW(CDspFreqShift(0, 0), std::invalid_argument);
    EXPECT_THROW(CDspTabFreqShift(16, nullptr, Tables().sinTable.data(), 65536, 0),
                 std::invalid_argument);
}

// e^{j(φ0 + nω)} in extended precision, the angle reduced by the same 2π the
// shifter uses.
std::complex<long double> Phasor(double phi0, double omega, long n) {
    const long double phi =
        std::fmod(phi0 + n * static_cast<long double>(omega), static_cast<long double>(kTwoPi));
    return {std::cos(phi), std::sin(phi)};
}

double Error(Cpx y, std::complex<long double> ref) {
    return static_cast<double>(std::abs(std::complex<long double>(y.real(), y.imag()) - ref));
}

// The full-rate shifter against sin and cos over a long stream fed in blocks
// of 1024 (checked at every 997th sample): the recurrence is reseeded and the
// phase advanced block by block, and neither may drift.
TEST(TableShifter, PhasorStaysWithinTheTableBoundOverAHundredMillionSamples) {
    const long total = test::kSanitized ? 10'000'000 : 100'000'000;
    for (double offsetHz : {-1500.0, 123456.789}) {
        CDspTabFreqShift shifter(1024, Tables().cosTable.data(), Tables().sinTable.data(),
                                 test::ShiftTables::kSize, 0);
        shifter.SetTuneOffset(offsetHz);
        shifter.SetRate(500.0);
        const double omega = shifter.Increment();
        const std::vector<Cpx> ones(1024, Cpx(1.0, 0.0));
        std::vector<Cpx> out(1024);
        double worst = 0.0;
        for (long first = 0; first < total; first += 1024) {
            shifter.Process(out.data(), ones.data(), 1024);
            for (long i = (997 - first % 997) % 997; i < 1024; i += 997)
                worst = std::max(worst, Error(out[i], Phasor(0.0, omega, first + i)));
        }
        EXPECT_LT(worst, 4.6e-9) << offsetHz;
        EXPECT_LT(worst, 1e-10) << offsetHz;  // measured: below 1e-11
        std::printf("offset %.3f Hz: worst phasor error %.3g over %ld samples\n", offsetHz, worst,
                    total);
    }
}

// Both compiled variants of the rotation, over one long run without a
// reseed, complex and real output, against the extended-precision phasor.
TEST(RotateKernel, BothVariantsRotateWithinTheTableBound) {
    using Kernel = void (*)(const Cpx*, Cpx*, int, const RotatePhasors&, bool);
    std::vector<Kernel> variants{kernels::RotateBaseline};
    if (kernels::UseAvx2()) variants.push_back(kernels::RotateAvx2);
    const int n = (1 << 16) + 5;  // a tail shorter than the lanes
    const auto in = test::ComplexNoise(n, 8);
    for (Kernel rotate : variants) {
        for (double omega : {0.0123, 2.5, 6.2}) {
            const double phi0 = 1.1;
            RotatePhasors p{};
            for (int k = 0; k < kRotateLanes; ++k) {
                p.re[k] = std::cos(phi0 + k * omega);
                p.im[k] = std::sin(phi0 + k * omega);
            }
            p.stepRe = std::cos(kRotateLanes * omega);
            p.stepIm = std::sin(kRotateLanes * omega);
            std::vector<Cpx> y(n), r(n);
            rotate(in.data(), y.data(), n, p, false);
            rotate(in.data(), r.data(), n, p, true);
            double worst = 0.0;
            for (int i = 0; i < n; ++i) {
                const std::complex<long double> x(in[i].real(), in[i].imag());
                const auto ref = x * Phasor(phi0, omega, i);
                worst = std::max(worst, Error(y[i], ref) / std::abs(in[i]));
                ASSERT_EQ(r[i].real(), r[i].imag()) << i;
                ASSERT_NEAR(r[i].real(), static_cast<double>(ref.real()), 1e-9 * std::abs(in[i]));
            }
            EXPECT_LT(worst, 1e-10) << omega;
        }
    }
}

}  // namespace
}  // namespace velorix
