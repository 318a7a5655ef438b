// The controller as the rigctl server's rig: a client tunes in whole Hz and
// reads back exactly what it asked for.
#include "ControllerFixture.h"
#include "ControllerRig.h"

namespace velorix::test {
namespace {

class RigAdapter : public ControllerTest {
protected:
    ControllerRig& Rig() {
        if (!rig_)
            rig_ = std::make_unique<ControllerRig>(
                *ctl, settings, engine, [this](const Outcome& o) { shown.push_back(o); });
        return *rig_;
    }
    std::vector<Outcome> shown;  // what the window would have applied

private:
    std::unique_ptr<ControllerRig> rig_;
};

TEST_F(RigAdapter, TunesLiveToTheExactHz) {
    StartUp();
    // Not a hertz lost, all over the range.
    std::uint64_t seed = 12345;
    for (int i = 0; i < 1000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto hz = i < 2 ? i * 40000000LL : static_cast<std::int64_t>((seed >> 33) % 40000001);
        ASSERT_TRUE(Rig().SetTunedHz(hz)) << hz;
        ASSERT_EQ(Rig().TunedHz(), hz);
        ASSERT_EQ(settings.FreqOffset, 0);  // live: the centre moves
    }
    EXPECT_EQ(shown.size(), 1000u);
    ASSERT_TRUE(Rig().SetTunedHz(3573777));
    EXPECT_EQ(panel().Text(label::kFreqHz), "777");
    for (const std::int64_t hz : {40000001LL, -1LL, 145000055LL, 1LL << 40}) {
        EXPECT_FALSE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), 3573777) << hz;
    }
}

TEST_F(RigAdapter, TunesARecordingByTheOffsetWithinWhatItHolds) {
    StartUp();
    WavReceiverInfo info;
    info.centerFreqHz = 7100000;  // 125 kHz: it holds 62.5 kHz either side
    ctl->Source().SelectSource(1);
    ASSERT_TRUE(ctl->Source().LoadFile(WriteRecording("rec_000.wav", info, 6144 * 8)).accepted);
    // Beyond the keypad's 50 kHz, up to the band's edges.
    for (const std::int64_t hz : {7150001LL, 7162500LL, 7037500LL, 7123457LL}) {
        ASSERT_TRUE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), hz);
        EXPECT_EQ(engine.offsetHz, 7100000.0 - static_cast<double>(hz));
    }
    for (const std::int64_t hz : {7162501LL, 7037499LL, 14100000LL, 1LL << 40})
        EXPECT_FALSE(Rig().SetTunedHz(hz)) << hz;
    EXPECT_EQ(Rig().TunedHz(), 7123457);
    EXPECT_EQ(settings.CenterFreq, 7100000);
}

TEST_F(RigAdapter, TheLevelIsTheMetersAndLeavesItsClipIndicatorAlone) {
    StartUp();
    WavReceiverInfo info;
    info.centerFreqHz = 9600000;
    ctl->Source().SelectSource(1);
    ASSERT_TRUE(
        ctl->Source().LoadFile(WriteRecording("clip_000.wav", info, 6144 * 8, true)).accepted);
    ASSERT_TRUE(ctl->Source().Play().accepted);  // the converter clipped
    engine.averageDb = -61.3;
    const int level = Rig().LevelTenthsDbm();
    const SMeterReading meter = ctl->MeterUpdate();
    EXPECT_TRUE(meter.clip);
    EXPECT_EQ(level, meter.tenthsDbm);
}

}  // namespace
}  // namespace velorix::test
