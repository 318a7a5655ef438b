#include "ControllerFixture.h"
#include "TuningTables.h"

namespace velorix::test {
namespace {

using Tuning = ControllerTest;

// The tuning word the board last sent, as the receiver would take it back to kHz.
double LastTunedKHz(FakeUsbDevice& d, int adcHz) {
    const auto& f = d.sioFrames.back();
    const std::uint32_t w = f[1] | (f[2] << 8) | (f[3] << 16) | (std::uint32_t(f[4]) << 24);
    return w / 4294967296.0 * adcHz * 0.001;
}

TEST_F(Tuning, CentreIsClampedAndItsArrowsFollowTheLimits) {
    StartUp();
    auto o = ctl->Tuning().SetCenterFrequency(-5, true);
    EXPECT_EQ(settings.CenterFreq, 0);
    EXPECT_FALSE(panel().Enabled(ControlId::CentreDown));
    EXPECT_TRUE(panel().Enabled(ControlId::CentreUp));
    ASSERT_NE(o.changes.Find(ControlId::CentreDown), nullptr);
    EXPECT_FALSE(o.changes.Find(ControlId::CentreDown)->enabled);

    ctl->Tuning().SetCenterFrequency(45000000);
    EXPECT_EQ(settings.CenterFreq, 40000000);
    EXPECT_TRUE(panel().Enabled(ControlId::CentreDown));
    EXPECT_FALSE(panel().Enabled(ControlId::CentreUp));
    EXPECT_FALSE(ctl->Tuning().StepCentre(true).accepted);
    EXPECT_EQ(settings.CenterFreq, 40000000);
}

TEST_F(Tuning, LiveWheelStepAtZeroStaysAtZero) {
    settings.CenterFreq = 0;
    settings.DemIdx = 4;
    settings.DemWhStepIdx[4] = 3;  // 1 kHz
    StartUp();
    ctl->Tuning().WheelOverDisplay(120);  // step down
    EXPECT_EQ(settings.CenterFreq, 0);
    ctl->Tuning().WheelOverDisplay(-120);
    EXPECT_EQ(settings.CenterFreq, 1000);
    // Live: the receiver itself is retuned, and the lock is reset every time.
    EXPECT_NEAR(LastTunedKHz(dev(), settings.AdcSamplingRate), 1.0, 1e-4);
    EXPECT_GE(engine.lockResets, 2);
}

TEST_F(Tuning, OffsetLimitWhileRecordingAt125) {
    settings.DemIdx = 0;
    settings.DemWhStepIdx[0] = 4;  // 5 kHz
    StartUp();
    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "rec.wav").accepted);
    ctl->Tuning().SetTuningOffset(49000);
    const int centre = settings.CenterFreq;
    ClearDevice();

    EXPECT_FALSE(ctl->Tuning().WheelOverDisplay(120).accepted);  // 54 000 > 50 000
    EXPECT_EQ(settings.FreqOffset, 49000);
    EXPECT_TRUE(ctl->Tuning().WheelOverDisplay(-120).accepted);
    EXPECT_EQ(settings.FreqOffset, 44000);
    EXPECT_EQ(engine.offsetHz, 44000.0);
    EXPECT_EQ(settings.CenterFreq, centre);
    EXPECT_TRUE(ReceiverUntouched());  // the recording's tuning stays put
    ctl->Source().StopButton();
}

TEST_F(Tuning, WheelOverTheReadoutMovesTheTunedFrequencyByTheDigit) {
    settings.CenterFreq = 7100000;
    StartUp();
    const auto before = settings.TunedHz();
    ctl->Tuning().WheelOverReadout(120, 3);
    EXPECT_EQ(settings.TunedHz(), before - 1000);
    ctl->Tuning().WheelOverReadout(-120, 3);
    ctl->Tuning().WheelOverReadout(-120, 6);
    EXPECT_EQ(settings.TunedHz(), before + 1000000);
    ctl->Tuning().WheelOverReadout(-120, 9);  // clamped to the 1 MHz digit
    EXPECT_EQ(settings.TunedHz(), before + 2000000);
    EXPECT_EQ(panel().Text(label::kFreq), " 9.100");
    EXPECT_EQ(panel().Text(label::kFreqHz), "000");
}

TEST_F(Tuning, WheelOverTheReadoutWhileRecordingMovesOnlyTheOffset) {
    settings.CenterFreq = 7100000;
    StartUp();
    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "rec.wav").accepted);
    ctl->Tuning().WheelOverReadout(120, 4);  // 10 kHz down
    EXPECT_EQ(settings.CenterFreq, 7100000);
    EXPECT_EQ(settings.FreqOffset, 10000);
    EXPECT_EQ(settings.TunedHz(), 7090000);
    EXPECT_FALSE(ctl->Tuning().WheelOverReadout(120, 5).accepted);  // 110 000 > 50 000
    EXPECT_EQ(settings.FreqOffset, 10000);
    ctl->Source().StopButton();
}

TEST_F(Tuning, CentreSwitchRecentresOnTheTunedFrequency) {
    settings.TuneMode = 0;
    settings.CenterFreq = 7100000;
    settings.FreqOffset = -3000;
    StartUp();
    EXPECT_EQ(settings.FreqOffset, -3000);
    EXPECT_EQ(engine.offsetHz, -3000.0);
    auto o = ctl->Tuning().ToggleCenter();
    EXPECT_EQ(settings.TuneMode, 1);
    EXPECT_EQ(settings.CenterFreq, 7103000);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_EQ(engine.offsetHz, 0.0);
    EXPECT_EQ(settings.TunedHz(), 7103000);
    EXPECT_TRUE(panel().Checked(ControlId::Center));
    EXPECT_NEAR(LastTunedKHz(dev(), settings.AdcSamplingRate), 7103.0, 1e-4);
}

TEST_F(Tuning, StepLabelsAndArrows) {
    settings.CFStepIdx = 11;
    StartUp();
    EXPECT_EQ(panel().Text(label::kCFStep), "1.0 MHz");
    EXPECT_FALSE(panel().Enabled(ControlId::CFStepUp));
    EXPECT_FALSE(ctl->Tuning().StepCFStep(1).accepted);
    for (int i = 0; i < 4; ++i)
        ctl->Tuning().StepCFStep(-1);
    EXPECT_EQ(settings.CFStepIdx, 7);
    EXPECT_EQ(panel().Text(label::kCFStep), "100.0 kHz");
    for (int i = 0; i < 7; ++i)
        ctl->Tuning().StepCFStep(-1);
    EXPECT_EQ(panel().Text(label::kCFStep), "1.0 kHz");
    EXPECT_FALSE(panel().Enabled(ControlId::CFStepDown));
    EXPECT_TRUE(panel().Enabled(ControlId::CFStepUp));

    const int centre = settings.CenterFreq;
    ctl->Tuning().StepCentre(true);
    EXPECT_EQ(settings.CenterFreq, centre + 1000);

    EXPECT_EQ(WheelStepText(kWheelStepHz[0]), "1 Hz");
    EXPECT_EQ(WheelStepText(kWheelStepHz[7]), "12.5 kHz");
    settings.DemWhStepIdx[4] = 1;
    ctl->Demodulator().SelectMode(4);
    ctl->Tuning().StepWheelStep(-1);
    EXPECT_EQ(panel().Text(label::kWheelStep), "1 Hz");
    EXPECT_FALSE(panel().Enabled(ControlId::WheelStepDown));
    EXPECT_FALSE(ctl->Tuning().StepWheelStep(-1).accepted);
}

// The keypad reaches as far as the tuning steps (0.4 × the rate, 100 kHz at
// 250 kHz): beyond half the rate the shifter would fold the band over.
TEST_F(Tuning, KeypadWhilePlayingA250KHzFileStaysWithinTheStepLimit) {
    StartUp();
    WavReceiverInfo info;
    info.centerFreqHz = 7100000;
    info.rateIdx = 1;
    const std::string path = WriteRecording("file_000.wav", info, 6144 * 8);
    ctl->Source().SelectSource(1);
    ASSERT_TRUE(ctl->Source().LoadFile(path).accepted);
    ASSERT_TRUE(ctl->Source().Play().accepted);

    EXPECT_FALSE(ctl->Tuning().SetTunedFrequencyKHz(6900.0).accepted);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_TRUE(ctl->Tuning().SetTunedFrequencyKHz(7000.0).accepted);
    EXPECT_EQ(settings.FreqOffset, 100000);
    EXPECT_EQ(engine.offsetHz, 100000.0);
    EXPECT_TRUE(ctl->Tuning().SetTunedFrequencyKHz(7200.0).accepted);
    EXPECT_EQ(settings.FreqOffset, -100000);
    EXPECT_FALSE(ctl->Tuning().SetTunedFrequencyKHz(std::nan("")).accepted);
    EXPECT_EQ(settings.CenterFreq, 7100000);
    // Mouse tuning past the limit stops at it.
    ctl->Tuning().SetTuningOffset(180000);
    EXPECT_EQ(settings.FreqOffset, 100000);
    EXPECT_EQ(engine.offsetHz, 100000.0);
}

TEST_F(Tuning, KeypadWhileLiveRetunesTheCentre) {
    settings.TuneMode = 0;
    settings.FreqOffset = 5000;
    StartUp();
    EXPECT_TRUE(ctl->Tuning().SetTunedFrequencyKHz(9500.001).accepted);
    EXPECT_EQ(settings.CenterFreq, 9500001);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_NEAR(LastTunedKHz(dev(), settings.AdcSamplingRate), 9500.001, 1e-4);
    EXPECT_FALSE(ctl->Tuning().SetTunedFrequencyKHz(40000.5).accepted);
    EXPECT_FALSE(ctl->Tuning().SetTunedFrequencyKHz(-1.0).accepted);
    EXPECT_EQ(settings.CenterFreq, 9500001);
}

TEST_F(Tuning, StationPanelFollowsTheTunedKHz) {
    settings.TuneMode = 0;
    StartUp();
    ctl->Tuning().SetCenterFrequency(6000000);
    ctl->Tuning().SetTuningOffset(400);  // 5 999 600 Hz rounds to 6000 kHz
    EXPECT_EQ(ctl->StationPanel().KHz(), 6000);
    ctl->Tuning().SetTuningOffset(600);  // 5 999 400 Hz
    EXPECT_EQ(ctl->StationPanel().KHz(), 5999);
}

}  // namespace
}  // namespace velorix::test

namespace velorix::test {
namespace {

using StartUpOrder = ControllerTest;

TEST_F(StartUpOrder, CenterModeRecentresBeforeTheCentreIsApplied) {
    settings.TuneMode = 1;
    settings.CenterFreq = 7100000;
    settings.FreqOffset = 5000;
    settings.DemIdx = 2;
    StartUp();
    EXPECT_EQ(settings.CenterFreq, 7095000);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_EQ(engine.offsetHz, 0.0);
    EXPECT_TRUE(panel().Checked(ControlId::Center));
    EXPECT_EQ(board.CurrentTuningWord(), CAcqBoard::TuningWord(7095.0, 80000000));
    EXPECT_EQ(panel().Text(label::kFreq), " 7.095");
    EXPECT_EQ(panel().Text(label::kSpan), "100.0 / 122.1");
    EXPECT_TRUE(panel().Checked(ControlId::SourceReceiver));
    EXPECT_FALSE(panel().Enabled(ControlId::FileOpen));
    // The bitstream of the stored rate was loaded once, the receiver got its front end.
    ASSERT_EQ(settings.DdcSamplingRateIdx, 0);
    EXPECT_EQ(engine.mode, 2);
    EXPECT_EQ(engine.bandwidth, settings.DemBwIdx[2]);
}

TEST_F(StartUpOrder, TheFrontEndIsSentAtStartUp) {
    settings.AttenuatorIdx = 1;
    settings.AdcPreamp = 1;
    settings.CenterFreq = 2500000;
    board.Open(&settings);
    ClearDevice();
    ctl = NewController(recorder, &lists);
    ctl->RestoreAll();
    ASSERT_EQ(dev().fpgaNames.size(), 1u);
    EXPECT_NE(dev().fpgaNames[0].find("velorix125k24v11"), std::string::npos);
    ctl->Start();
    ctl->SendFrontEnd();
    EXPECT_EQ(dev().attenuatorSteps.back(), 1);
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{2}));
    EXPECT_EQ(board.ControlByte() & CAcqBoard::kPreampBit, CAcqBoard::kPreampBit);
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -7.5);
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Att0, 1)));
    EXPECT_TRUE(panel().Checked(ControlId::Preamp));
}

}  // namespace
}  // namespace velorix::test
