#include "ControllerFixture.h"
#include "DisplayTables.h"
#include "SMeterValues.h"

namespace velorix::test {
namespace {

using FrontEnd = ControllerTest;

TEST_F(FrontEnd, PreProductionUnitGetsTheAttenuatorReversed) {
    StartUp(true);
    ctl->FrontEnd().SelectAttenuator(1);  // "10 dB"
    ctl->FrontEnd().SelectAttenuator(3);  // "30 dB"
    ctl->FrontEnd().SelectAttenuator(0);
    EXPECT_EQ(dev().attenuatorSteps, (std::vector<int>{2, 0, 3}));
    EXPECT_TRUE(panel().Checked(ControlId::Att0));
    EXPECT_FALSE(panel().Checked(Offset(ControlId::Att0, 3)));
}

TEST_F(FrontEnd, ProductionUnitGetsTheStepAsChosen) {
    StartUp(false);
    ctl->FrontEnd().SelectAttenuator(1);
    ctl->FrontEnd().SelectAttenuator(3);
    EXPECT_EQ(dev().attenuatorSteps, (std::vector<int>{1, 3}));
}

TEST_F(FrontEnd, PreselectorBandIsSentOnlyWhenItChanges) {
    settings.CenterFreq = 7100000;
    settings.Preselector = 1;
    board.Open(&settings);
    FakeUsbDevice::Get().preselectorFilters.clear();  // the board's own opening value
    ctl = NewController(recorder, nullptr);
    ctl->RestoreAll();
    ctl->Start();
    ctl->SendFrontEnd();
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{5}));

    ctl->Tuning().SetCenterFrequency(8400000, true);
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{5, 6}));
    ctl->Tuning().SetCenterFrequency(8500000, true);  // still band 6
    ctl->FrontEnd().TogglePreselector();              // off
    EXPECT_EQ(settings.Preselector, 0);
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{5, 6, 10}));
    ctl->Tuning().SetCenterFrequency(1000000, true);
    ctl->Tuning().SetCenterFrequency(39000000, true);
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{5, 6, 10}));
    EXPECT_EQ(settings.preselectorBand.load(), 10);
    EXPECT_EQ(ctl->LastPreselectorBandSent(), 10);
}

TEST_F(FrontEnd, PreampSetsTheLevelOffsetAndTheControlByte) {
    StartUp();
    ctl->FrontEnd().TogglePreamp();
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -7.5);
    ASSERT_FALSE(dev().sioFrames.empty());
    EXPECT_EQ(dev().sioFrames.back()[0] & (CAcqBoard::kPreampBit | CAcqBoard::kDitherBit),
              CAcqBoard::kPreampBit | CAcqBoard::kDitherBit);
    ctl->FrontEnd().ToggleDither();
    EXPECT_EQ(dev().sioFrames.back()[0] & (CAcqBoard::kPreampBit | CAcqBoard::kDitherBit),
              CAcqBoard::kPreampBit);
    ctl->FrontEnd().TogglePreamp();
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -4.0);
    EXPECT_EQ(dev().sioFrames.back()[0] & CAcqBoard::kPreampBit, 0);
}

TEST_F(FrontEnd, CalibrationAgainstAWholeKHzCarrier) {
    settings.CenterFreq = 10000030;
    StartUp();
    ASSERT_TRUE(panel().Enabled(ControlId::Cal));
    const std::uint32_t wordBefore = board.CurrentTuningWord();
    auto o = ctl->FrontEnd().Cal();
    ASSERT_TRUE(o.accepted);
    EXPECT_EQ(settings.AdcSamplingRate, 79999760);
    EXPECT_EQ(settings.CenterFreq, 10000000);
    EXPECT_EQ(panel().Text(label::kFreq), " 10.000");
    EXPECT_EQ(panel().Text(label::kFreqHz), "000");
    EXPECT_FALSE(panel().Enabled(ControlId::Cal));
    EXPECT_TRUE(panel().Enabled(ControlId::CalClr));
    // The receiver keeps its physical tuning: the word moves by at most one count.
    const std::int64_t wordAfter = board.CurrentTuningWord();
    EXPECT_LE(std::abs(wordAfter - static_cast<std::int64_t>(wordBefore)), 1);
    EXPECT_FALSE(ctl->FrontEnd().Cal().accepted);  // disabled now

    ctl->FrontEnd().CalClr();
    EXPECT_EQ(settings.AdcSamplingRate, 80000000);
    EXPECT_TRUE(panel().Enabled(ControlId::Cal));
    EXPECT_FALSE(panel().Enabled(ControlId::CalClr));
}

TEST_F(FrontEnd, CalibrationWithoutAReferenceDoesNothing) {
    StartUp();
    ctl->Tuning().SetCenterFrequency(0, true);
    ClearDevice();
    EXPECT_FALSE(ctl->FrontEnd().Cal().accepted);
    ctl->Tuning().SetCenterFrequency(400, true);  // nearest whole kHz is 0
    ClearDevice();
    EXPECT_FALSE(ctl->FrontEnd().Cal().accepted);
    EXPECT_EQ(settings.AdcSamplingRate, 80000000);
    EXPECT_EQ(settings.CenterFreq, 400);
    EXPECT_TRUE(ReceiverUntouched());
}

TEST_F(FrontEnd, CalIsOfferedAtStartUpEvenWithCenterOff) {
    settings.TuneMode = 0;
    StartUp();
    EXPECT_TRUE(panel().Enabled(ControlId::Cal));
    EXPECT_FALSE(panel().Enabled(ControlId::CalClr));
    ctl->Tuning().ToggleCenter();
    EXPECT_TRUE(panel().Enabled(ControlId::Cal));
    ctl->Tuning().ToggleCenter();
    EXPECT_FALSE(panel().Enabled(ControlId::Cal));
    EXPECT_FALSE(panel().Enabled(ControlId::CalClr));
}

TEST_F(FrontEnd, PickingARateReconfiguresAndRecentres) {
    settings.TuneMode = 0;
    settings.CenterFreq = 7100000;
    settings.FreqOffset = 20000;
    settings.DemIdx = 4;
    StartUp();
    const int restarts = engine.restartDisplays;
    auto o = ctl->FrontEnd().SelectRate(1);
    ASSERT_TRUE(o.accepted);
    EXPECT_FALSE(o.fatal);
    EXPECT_EQ(settings.CenterFreq, 7080000);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_EQ(engine.offsetHz, 0.0);
    EXPECT_DOUBLE_EQ(settings.outputRateKHz, 250.0);
    ASSERT_EQ(dev().fpgaNames.size(), 1u);
    EXPECT_NE(dev().fpgaNames[0].find("velorix250k24v11"), std::string::npos);
    EXPECT_EQ(engine.restartDisplays, restarts + 1);
    EXPECT_EQ(engine.bandwidth, settings.DemBwIdx[4]);
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Rate125, 1)));
    EXPECT_FALSE(panel().Checked(ControlId::Rate125));
    EXPECT_EQ(panel().Text(label::kSpan), SpanText(1, settings.MainFFTIdx));
    EXPECT_TRUE(board.IsRunning());
    // The offset limit follows the rate: 0.4 × 250 kHz.
    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "r.wav").accepted);
    ctl->Tuning().SetTuningOffset(99000);
    settings.DemWhStepIdx[4] = 3;
    EXPECT_TRUE(ctl->Tuning().WheelOverDisplay(120).accepted);
    EXPECT_EQ(settings.FreqOffset, 100000);
    EXPECT_FALSE(ctl->Tuning().WheelOverDisplay(120).accepted);
    ctl->Source().StopButton();
}

TEST_F(FrontEnd, MissingBitstreamEndsTheProgram) {
    StartUp();
    dev().fpgaResult = 1;
    auto o = ctl->FrontEnd().SelectRate(2);
    EXPECT_TRUE(o.fatal);
    EXPECT_FALSE(o.accepted);
    ASSERT_FALSE(notes.Notices().empty());
    const std::string text = notes.Notices().back().text;
    EXPECT_EQ(text.substr(0, text.find('\n')), "velorix500k24v11 not found");
    EXPECT_EQ(notes.Notices().back().caption, "Installation Error");
}

TEST_F(FrontEnd, SMeterIsCalibratedByTheFrontEnd) {
    settings.Preselector = 0;
    StartUp();
    engine.averageDb = -131.0;  // -135.0 dBm with the -4.0 dB level offset
    engine.locked = true;
    SMeterReading r = ctl->MeterUpdate();
    EXPECT_EQ(r.tenthsDbm, -1350);
    EXPECT_EQ(SMeterLevelText(r.tenthsDbm), "-135.0");
    EXPECT_FALSE(SMeterBarFor(r.tenthsDbm, 286).shown);
    EXPECT_TRUE(r.lock);
    EXPECT_FALSE(r.clip);

    ctl->FrontEnd().SelectAttenuator(2);
    EXPECT_EQ(ctl->MeterUpdate().tenthsDbm, -1150);

    // Peak level when SmtrMode is 1; the preamp's offset and the preselector's loss count.
    settings.SmtrMode = 1;
    engine.peakDb = -60.0;
    ctl->FrontEnd().TogglePreamp();
    ctl->FrontEnd().TogglePreselector();
    ctl->Tuning().SetCenterFrequency(7100000, true);  // band 5: 1.1 dB
    EXPECT_EQ(ctl->MeterUpdate().tenthsDbm,
              static_cast<int>(std::trunc((20.0 - 7.5 + 1.1 - 60.0) * 10.0)));
}

TEST_F(FrontEnd, AttenuatorWaitsWhileInhibitedAndIsSentOnReturn) {
    StartUp();
    ctl->Source().SelectSource(1);
    ClearDevice();
    // The Wav source leaves the front end enabled until a file loads.
    EXPECT_TRUE(ctl->FrontEnd().SelectAttenuator(2).accepted);
    EXPECT_TRUE(ctl->FrontEnd().TogglePreamp().accepted);
    ctl->Tuning().WheelOverDisplay(-120);  // live in the empty file source: the centre moves
    const int centre = settings.CenterFreq;
    EXPECT_TRUE(ReceiverUntouched());
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -7.5);

    ctl->Source().SelectSource(0);
    EXPECT_EQ(dev().attenuatorSteps, (std::vector<int>{2}));
    EXPECT_EQ(board.ControlByte() & CAcqBoard::kPreampBit, CAcqBoard::kPreampBit);
    EXPECT_EQ(board.CurrentTuningWord(), CAcqBoard::TuningWord(centre * 0.001, 80000000));
    EXPECT_TRUE(dev().fpgaNames.empty());  // no file was loaded: the rate is unchanged
}

}  // namespace
}  // namespace velorix::test
