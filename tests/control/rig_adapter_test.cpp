// The controller as the rigctl server's rig: what a client does goes through
// the keypad's and the buttons' operations, and reads back exactly.
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

TEST_F(RigAdapter, TunesLiveToTheExactHzAndTheWindowIsToldOfIt) {
    StartUp();
    for (const std::int64_t hz :
         {14074000LL, 7100001LL, 1LL, 0LL, 39999999LL, 40000000LL, 9999999LL, 3573777LL}) {
        shown.clear();
        ASSERT_TRUE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), hz);
        EXPECT_EQ(settings.CenterFreq, hz);  // live: the centre moves, the offset is 0
        EXPECT_EQ(settings.FreqOffset, 0);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_TRUE(shown[0].accepted);
    }
    EXPECT_EQ(panel().Text(label::kFreqHz), "777");
    // Through kHz and back without losing a hertz, all over the range.
    std::uint64_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const auto hz = static_cast<std::int64_t>((seed >> 33) % 40000001);
        ASSERT_TRUE(Rig().SetTunedHz(hz)) << hz;
        ASSERT_EQ(Rig().TunedHz(), hz);
    }
    ASSERT_TRUE(Rig().SetTunedHz(3573777));
    for (const std::int64_t hz : {40000001LL, -1LL, 145000055LL, 1LL << 40}) {
        EXPECT_FALSE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), 3573777) << hz;
    }
}

TEST_F(RigAdapter, TunesARecordingByTheOffsetWithinWhatTheStepsReach) {
    StartUp();
    WavReceiverInfo info;
    info.centerFreqHz = 7100000;  // 125 kHz: the steps reach 50 kHz either side
    const std::string path = WriteRecording("rec_000.wav", info, 6144 * 8);
    ctl->SelectSource(1);
    ASSERT_TRUE(ctl->LoadFile(path).accepted);
    for (const std::int64_t hz : {7150000LL, 7050000LL, 7074001LL, 7123457LL}) {
        ASSERT_TRUE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), hz);
        EXPECT_EQ(settings.CenterFreq, 7100000);
        EXPECT_EQ(engine.offsetHz, 7100000.0 - static_cast<double>(hz));
    }
    for (const std::int64_t hz : {7150001LL, 7049999LL, 7162500LL}) {
        EXPECT_FALSE(Rig().SetTunedHz(hz)) << hz;
        EXPECT_EQ(Rig().TunedHz(), 7123457);
    }
}

TEST_F(RigAdapter, ModesAndFiltersAreTheButtonsOnes) {
    StartUp();
    Rig().SelectMode(2);  // CW, with its remembered filter
    EXPECT_EQ(Rig().Mode(), 2);
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Mode0, 2)));
    EXPECT_EQ(Rig().Filter(), settings.DemBwIdx[2]);
    Rig().SelectFilter(2);
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Filter0, 2)));
    EXPECT_EQ(engine.passbandWidthHz, Rig().FilterWidthHz(2, 2));
    EXPECT_EQ(Rig().DefaultFilter(4), 3);
    EXPECT_EQ(shown.size(), 2u);
    // What the user changes is what the rig reads.
    ctl->SelectMode(5);
    EXPECT_EQ(Rig().Mode(), 5);
}

TEST_F(RigAdapter, TheLevelIsTheMetersAndLeavesItsClipIndicatorAlone) {
    StartUp();
    WavReceiverInfo info;
    info.centerFreqHz = 9600000;
    const std::string path = WriteRecording("clip_000.wav", info, 6144 * 8, true);
    ctl->SelectSource(1);
    ASSERT_TRUE(ctl->LoadFile(path).accepted);
    ASSERT_TRUE(ctl->Play().accepted);  // the converter clipped
    engine.averageDb = -61.3;
    const int level = Rig().LevelTenthsDbm();
    EXPECT_EQ(Rig().LevelTenthsDbm(), level);
    const SMeterReading meter = ctl->MeterUpdate();
    EXPECT_TRUE(meter.clip);
    EXPECT_EQ(level, meter.tenthsDbm);
}

}  // namespace
}  // namespace velorix::test
