#include "ControllerFixture.h"

namespace velorix::test {
namespace {

using Modes = ControllerTest;

TEST_F(Modes, EachModeBringsBackItsFilterAgcAndWheelStep) {
    StartUp();  // defaults: USB
    ASSERT_EQ(settings.DemIdx, 4);
    auto o = ctl->Demodulator().SelectMode(2);  // CW
    EXPECT_EQ(engine.mode, 2);
    EXPECT_EQ(engine.bandwidth, 4);  // "1.6kHz"
    EXPECT_EQ(engine.passbandWidthHz, 500);
    EXPECT_EQ(engine.passbandCentreHz, 0);
    EXPECT_EQ(engine.agc, 1);  // "Med"
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Mode0, 2)));
    EXPECT_FALSE(panel().Checked(Offset(ControlId::Mode0, 4)));
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Filter0, 4)));
    EXPECT_FALSE(panel().Checked(Offset(ControlId::Filter0, 3)));
    EXPECT_EQ(panel().Text(label::kWheelStep), "10 Hz");
    ASSERT_NE(o.changes.Find(Offset(ControlId::Filter0, 4)), nullptr);

    // The filter and AGC changed in CW stay with CW.
    ctl->Demodulator().SelectFilter(5);
    ctl->Demodulator().SelectAgc(0);
    EXPECT_EQ(settings.DemBwIdx[2], 5);
    EXPECT_EQ(engine.passbandWidthHz, 200);

    ctl->Demodulator().SelectMode(4);  // back to USB
    EXPECT_EQ(engine.bandwidth, 3);    // " 3 kHz"
    EXPECT_EQ(engine.passbandWidthHz, 2400);
    EXPECT_EQ(engine.agc, 1);
    EXPECT_EQ(panel().Text(label::kWheelStep), "100 Hz");
    EXPECT_EQ(settings.DemBwIdx[2], 5);
    EXPECT_EQ(settings.DemAgcIdx[2], 0);

    // The order the chain is driven in: filter, passband, mode, AGC.
    const std::vector<std::string> tail(engine.calls.end() - 4, engine.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"SetBandwidth 3", "SetPassbandHz 0 2400", "SetMode 4",
                                              "SetAgcChoice 1"}));
}

TEST_F(Modes, FilterInAmChangesOnlyAm) {
    StartUp();
    ctl->Demodulator().SelectMode(0);
    int others[kModeCount];
    for (int m = 0; m < kModeCount; ++m)
        others[m] = settings.DemBwIdx[m];
    ctl->Demodulator().SelectFilter(2);
    EXPECT_EQ(settings.DemBwIdx[0], 2);
    for (int m = 1; m < kModeCount; ++m)
        EXPECT_EQ(settings.DemBwIdx[m], others[m]) << m;
    EXPECT_EQ(engine.passbandWidthHz, 5000);
    EXPECT_FALSE(ctl->Demodulator().SelectFilter(6).accepted);
    EXPECT_FALSE(ctl->Demodulator().SelectMode(9).accepted);
    EXPECT_EQ(settings.DemIdx, 0);
}

TEST_F(Modes, DrmMutesAndUsbUnmutes) {
    StartUp();
    ctl->Demodulator().SelectMode(7);
    EXPECT_TRUE(engine.muted);
    EXPECT_FALSE(panel().Checked(ControlId::Audio));
    EXPECT_FALSE(panel().Enabled(ControlId::VolumeSlider));
    ctl->Demodulator().SelectMode(8);
    EXPECT_TRUE(engine.muted);
    auto o = ctl->Demodulator().SelectMode(4);
    EXPECT_FALSE(engine.muted);
    EXPECT_TRUE(panel().Checked(ControlId::Audio));
    ASSERT_NE(o.changes.Find(ControlId::VolumeSlider), nullptr);
    EXPECT_TRUE(o.changes.Find(ControlId::VolumeSlider)->enabled);
}

TEST_F(Modes, StoredDrmStillStartsWithAudioOn) {
    settings.DemIdx = 7;
    StartUp();
    EXPECT_EQ(engine.mode, 7);
    EXPECT_FALSE(engine.muted);
    EXPECT_TRUE(panel().Checked(ControlId::Audio));
}

TEST_F(Modes, SliderValuesAreScaledAndClamped) {
    StartUp();
    // Start-up: blanker and noise reduction off, sliders follow their squares.
    EXPECT_FALSE(engine.nbOn);
    EXPECT_FALSE(engine.nrOn);
    EXPECT_FALSE(panel().Enabled(ControlId::NoiseBlankerSlider));
    EXPECT_FALSE(panel().Enabled(ControlId::NoiseReduction));
    EXPECT_DOUBLE_EQ(engine.volumeDb, -10.0);

    ctl->Demodulator().ToggleNoiseBlanker();
    EXPECT_TRUE(engine.nbOn);
    EXPECT_TRUE(panel().Enabled(ControlId::NoiseBlankerSlider));
    ctl->Demodulator().SetNBVal(-75);
    EXPECT_DOUBLE_EQ(engine.nbThreshold, -75.0);
    ctl->Demodulator().SetNBVal(-10);
    EXPECT_EQ(settings.NBVal, -50);
    ctl->Demodulator().SetNRVal(155);
    EXPECT_DOUBLE_EQ(engine.nrStepDb, 15.5);
    ctl->Demodulator().SetVolVal(-400);
    EXPECT_DOUBLE_EQ(engine.volumeDb, -40.0);
    ctl->Demodulator().SetVolVal(30);
    EXPECT_DOUBLE_EQ(engine.volumeDb, 0.0);
    ctl->Demodulator().ToggleAudio();
    EXPECT_TRUE(engine.muted);
}

}  // namespace
}  // namespace velorix::test
