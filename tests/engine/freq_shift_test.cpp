#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "DspFreqShift.h"
#include "DspTabFreqShift.h"
#include "ShiftTables.h"
#include "TestBlocks.h"
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

INSTANTIATE_TEST_SUITE_P(TrigAndTable, ShifterKinds, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Table" : "Trig"; });

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

}  // namespace
}  // namespace velorix
