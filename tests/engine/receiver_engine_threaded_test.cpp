#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "DspCopy.h"
#include "ReceiverEngine.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

using test::TestSink;
using test::TestSource;

// The audio output's stand-in: records 16-bit stereo frames.
class StereoSink : public CDspConsumer {
public:
    StereoSink() : CDspConsumer(kDspTypeStereo16, 512, 0) {}
    void BufferFull() override {
        const auto* f = buffer->MainAs<StereoFrame>();
        frames.insert(frames.end(), f, f + buffer->Fill());
        buffer->Commit();
    }
    std::string& GetName(std::string& name) override { return name = "StereoSink"; }
    std::vector<StereoFrame> frames;
};

struct Chain {
    explicit Chain(bool secondAudio = false) : head(1024), mainView(8192), secView(256) {
        EngineEndpoints e;
        e.head = &head;
        e.mainDisplay = &mainView;
        e.secondaryDisplay = &secView;
        e.audioOut1 = &audio1;
        e.audioOut2 = secondAudio ? &audio2 : nullptr;
        built = engine.Build(e);
    }
    // Complex tone of `hz` at the head's rate, `blocks` blocks of 1024.
    void PushTone(double hz, int blocks, double amplitude = 0.01) {
        std::vector<Cpx> v(1024);
        for (int b = 0; b < blocks; ++b) {
            for (auto& x : v) {
                x = std::polar(amplitude, phase);
                phase += 2 * M_PI * hz / (head.rate * 1000.0);
            }
            head.Push(v);
        }
    }
    TestSource head;
    TestSink mainView, secView;
    StereoSink audio1, audio2;
    CReceiverEngine engine;
    int built = 0;
    double phase = 0.0;
};

// Power of `x` at frequency f (Hz) for a rate in Hz, by direct correlation.
double PowerAt(const std::vector<double>& x, double f, double rate) {
    std::complex<double> acc = 0;
    for (size_t n = 0; n < x.size(); ++n)
        acc += x[n] * std::polar(1.0, -2 * M_PI * f * n / rate);
    return std::norm(acc) / double(x.size() * x.size());
}

TEST(ReceiverEngine, EveryRateAndFilterEndsAt31250HzAudio) {
    Chain c;
    ASSERT_EQ(c.built, 1);
    const double demodRates[6] = {31.25, 31.25, 15.625, 7.8125, 3.90625, 1.953125};
    for (int idx = 0; idx < 3; ++idx) {
        c.head.SetRate(125.0 * (1 << idx));
        EXPECT_EQ(c.engine.RateIndex(), idx);
        for (int b = 0; b < 6; ++b) {
            c.engine.SetBandwidth(b);
            SCOPED_TRACE(::testing::Message() << "rate index " << idx << " filter " << b);
            EXPECT_EQ(c.engine.DecimationSwitch().GetCurrentOutput(), 7 - idx - b);
            EXPECT_DOUBLE_EQ(c.engine.BandPassRateKHz(), 31.25 / (1 << b));
            EXPECT_DOUBLE_EQ(c.secView.rate, 31.25 / (1 << b));
            EXPECT_DOUBLE_EQ(c.engine.DemodulatorRateKHz(), demodRates[b]);
            EXPECT_DOUBLE_EQ(c.engine.AudioRateKHz(), 31.25);
            EXPECT_DOUBLE_EQ(c.audio1.rate, 31.25);
            EXPECT_DOUBLE_EQ(c.mainView.rate, 125.0 * (1 << idx));
        }
    }
}

TEST(ReceiverEngine, WidestInputAndNarrowestFilterPassAllNineDecimators) {
    Chain c;
    c.head.SetRate(500.0);
    c.engine.SetBandwidth(5);
    EXPECT_EQ(c.engine.DecimationSwitch().GetCurrentOutput(), 0);
    EXPECT_DOUBLE_EQ(c.engine.BandPassRateKHz(), 0.9765625);
    c.head.SetRate(125.0);
    c.engine.SetBandwidth(0);
    EXPECT_EQ(c.engine.DecimationSwitch().GetCurrentOutput(), 7);
    EXPECT_EQ(c.engine.PreDemodSwitch().GetCurrentOutput(), 1);
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(c.engine.StageSwitch(s).GetCurrentOutput(), 0);
    c.engine.SetBandwidth(5);
    EXPECT_EQ(c.engine.PreDemodSwitch().GetCurrentOutput(), 0);
    for (int s = 1; s <= 4; ++s)
        EXPECT_EQ(c.engine.StageSwitch(s).GetCurrentOutput(), 1);
    c.engine.SetBandwidth(3);
    EXPECT_EQ(c.engine.StageSwitch(2).GetCurrentOutput(), 1);
    EXPECT_EQ(c.engine.StageSwitch(3).GetCurrentOutput(), 0);
}

TEST(ReceiverEngine, ModeTableSetsRoutingAndOffsets) {
    Chain c;
    struct Row {
        int post;
        double carrier, s1, s2;
    } rows[9] = {{1, 0, 0, 0},    {1, 0, 0, 0},           {0, 0, 0, 600},
                 {0, 0, 0, 1360}, {0, 1500, -1500, 1500}, {0, -1500, 1500, -1500},
                 {0, 0, 0, 0},    {0, 0, 0, 8000},        {0, 0, 0, 0}};
    for (int m = 0; m < 9; ++m) {
        c.engine.SetMode(m);
        EXPECT_EQ(c.engine.Demodulator().Mode(), m);
        EXPECT_EQ(c.engine.PostDemodSwitch().GetCurrentOutput(), rows[m].post) << m;
        EXPECT_EQ(c.engine.CarrierOffsetHz(), rows[m].carrier) << m;
        EXPECT_EQ(c.engine.TuningShifter().GetModeOffset(), rows[m].s1) << m;
        EXPECT_EQ(c.engine.AudioShifter().GetModeOffset(), rows[m].s2) << m;
    }
    c.engine.SetMode(4);
    c.engine.SetMode(12);  // only the demodulator hears of it
    EXPECT_EQ(c.engine.CarrierOffsetHz(), 1500);
}

TEST(ReceiverEngine, SharedSineTableHas65536Entries) {
    Chain c;
    EXPECT_DOUBLE_EQ(c.engine.CosTable()[0], 1.0);
    EXPECT_NEAR(c.engine.SinTable()[16384], 1.0, 1e-15);
    EXPECT_NEAR(c.engine.CosTable()[32768], -1.0, 1e-15);
    EXPECT_NEAR(c.engine.SinTable()[1], 9.587379909597735e-05, 1e-18);
}

TEST(ReceiverEngine, SecondAudioOutputIsOptional) {
    Chain one(false);
    EXPECT_FALSE(one.engine.HasSecondAudioOutput());
    EXPECT_EQ(one.engine.AudioShifter().downstream, &one.engine.NrSwitch());
    Chain two(true);
    ASSERT_TRUE(two.engine.HasSecondAudioOutput());
    ASSERT_EQ(two.engine.AudioShifter().downstream->IsSplitter(), 1);
    auto* copy = static_cast<CDspCopy*>(two.engine.AudioShifter().downstream);
    EXPECT_EQ(copy->Buffer().Capacity(), 1024);
    EXPECT_EQ(copy->Consumers().front(), &two.engine.Volume2());
    EXPECT_NEAR(two.engine.Volume2().GainFactor(), 32767.0 * std::pow(10.0, -0.5), 1e-6);
}

TEST(ReceiverEngine, PassbandInHzBecomesEdgesAtTheBandPassRate) {
    Chain c;
    c.engine.SetPassbandHz(0, 2400);  // no rate yet: nothing
    EXPECT_DOUBLE_EQ(c.engine.PassbandUpper(), 0.3072);
    c.head.SetRate(125.0);
    c.engine.SetBandwidth(3);  // 3.90625 kHz
    c.engine.SetPassbandHz(0, 2400);
    EXPECT_DOUBLE_EQ(c.engine.PassbandLower(), -1200 / 3906.25);
    EXPECT_DOUBLE_EQ(c.engine.PassbandUpper(), 1200 / 3906.25);
    EXPECT_NEAR(c.engine.LowPass().CutoffRadians(), 1200 / 3906.25 * M_PI, 1e-12);
    c.engine.SetBandwidth(0);
    c.engine.SetPassband(-0.1, 0.2);
    EXPECT_NEAR(c.engine.LowPass().CutoffRadians(), 0.4 * M_PI, 1e-12);  // doubled at filter 0
}

// A tone 1 kHz above the tuned frequency comes out as 1 kHz audio in USB,
// and one 1 kHz below it in LSB; the sideband that does not belong is rejected.
TEST(ReceiverEngine, SingleSidebandToneReachesTheAudioAtItsFrequency) {
    // The second half of the left audio of a tone `hz` from the tuned
    // frequency, in `mode` at fixed gain (levels comparable); `sameChannels`
    // tells whether the last frame's two channels are equal.
    const auto hear = [](int mode, double hz, bool* sameChannels) {
        Chain c;
        c.head.SetRate(125.0);
        c.engine.SetMode(mode);
        c.engine.SetBandwidth(3);
        c.engine.SetPassbandHz(0, 2400);
        c.engine.SetAgcChoice(3);
        c.engine.SetVolumeDb(0.0);
        c.PushTone(hz, 250, 0.001);
        const auto& f = c.audio1.frames;
        std::vector<double> left;
        for (size_t i = f.size() / 2; i < f.size(); ++i)
            left.push_back(f[i].left);
        if (sameChannels != nullptr) *sameChannels = !f.empty() && f.back().left == f.back().right;
        return left;
    };
    for (int mode : {4, 5}) {
        const double wanted = mode == 4 ? 1000.0 : -1000.0;
        bool sameChannels = false;
        const auto left = hear(mode, wanted, &sameChannels);
        ASSERT_GT(left.size(), 4000u) << mode;
        const double at1k = PowerAt(left, 1000.0, 31250.0);
        EXPECT_GT(at1k, 100 * PowerAt(left, 2000.0, 31250.0)) << mode;
        EXPECT_GT(at1k, 100 * PowerAt(left, 500.0, 31250.0)) << mode;
        // Real output: both channels carry the same audio.
        EXPECT_TRUE(sameChannels) << mode;
        // The sideband that does not belong: 30 dB down.
        EXPECT_GT(at1k, 1000 * PowerAt(hear(mode, -wanted, nullptr), 1000.0, 31250.0)) << mode;
    }
}

TEST(ReceiverEngine, UserModeCarriesIAndQToTheAudio) {
    Chain c;
    c.head.SetRate(125.0);
    c.engine.SetMode(8);
    c.engine.SetNoiseReductionEnabled(false);  // the LMS filter gives real audio
    c.engine.SetBandwidth(1);
    c.engine.SetPassbandHz(0, 12000);
    c.engine.SetAgcChoice(3);
    c.engine.SetVolumeDb(0.0);
    c.PushTone(3000.0, 120, 0.001);  // well below full scale after the fixed +42 dB
    ASSERT_GT(c.audio1.frames.size(), 2000u);
    int differ = 0;
    for (size_t i = c.audio1.frames.size() / 2; i < c.audio1.frames.size(); ++i)
        differ += c.audio1.frames[i].left != c.audio1.frames[i].right;
    EXPECT_GT(differ, int(c.audio1.frames.size() / 4));
}

TEST(ReceiverEngine, DisplaysAndControlsFollowTheirSwitches) {
    Chain c;
    c.head.SetRate(250.0);
    c.engine.SetNoiseReductionEnabled(false);
    EXPECT_EQ(c.engine.NrSwitch().GetCurrentOutput(), 0);
    c.engine.SetNoiseReductionEnabled(true);
    EXPECT_EQ(c.engine.NrSwitch().GetCurrentOutput(), 1);
    c.engine.SetMuted(true);
    EXPECT_EQ(c.engine.Volume1().Muted(), 1);
    c.engine.SetTuningOffsetHz(-12345.0);
    EXPECT_EQ(c.engine.GetTuningOffsetHz(), -12345.0);
    c.engine.SetNoiseBlankerEnabled(true);
    EXPECT_EQ(c.engine.NoiseBlanker().IsEnabled(), 1);
    c.mainView.ready = 0;
    c.engine.MainDisplayThread().SetSkipLimit(4);
    c.engine.RestartDisplays();
    EXPECT_EQ(c.mainView.ready.load(), 1);
    EXPECT_EQ(c.engine.MainDisplayThread().GetSkipLimit(), 0);
}

}  // namespace
}  // namespace velorix
