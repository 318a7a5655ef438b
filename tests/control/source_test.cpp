#include <array>
#include <initializer_list>

#include "ControllerFixture.h"

namespace velorix::test {
namespace {

using Source = ControllerTest;

// What a source state enables: 1 on, 0 off, -1 not asked.
struct Enabled {
    int frontEnd, rates, centreSteps, tuneSteps, sources, center, record, play, fileOpen;
};

void ExpectState(const SettingsRecord& s, const PanelState& p, std::array<int, 4> flags,
                 Enabled e) {
    EXPECT_EQ((std::array<int, 4>{s.retuneInhibit.load(), s.recording.load(), s.fileLoaded.load(),
                                  s.playing.load()}),
              flags);
    const auto expect = [&](std::initializer_list<ControlId> ids, int enabled) {
        if (enabled < 0) return;
        for (ControlId id : ids)
            EXPECT_EQ(p.Enabled(id), enabled == 1) << ControlName(id);
    };
    expect({ControlId::Presel, ControlId::Dither, ControlId::Preamp, ControlId::Att0,
            Offset(ControlId::Att0, 1), Offset(ControlId::Att0, 2), Offset(ControlId::Att0, 3)},
           e.frontEnd);
    expect({ControlId::Rate125, Offset(ControlId::Rate125, 1), Offset(ControlId::Rate125, 2)},
           e.rates);
    expect({ControlId::CFStepDown, ControlId::CFStepUp, ControlId::CentreDown, ControlId::CentreUp},
           e.centreSteps);
    expect({ControlId::StepDown, ControlId::StepUp}, e.tuneSteps);
    expect({ControlId::SourceReceiver, ControlId::SourceWav}, e.sources);
    expect({ControlId::Center}, e.center);
    expect({ControlId::Record}, e.record);
    expect({ControlId::Play}, e.play);
    expect({ControlId::FileOpen}, e.fileOpen);
}

TEST_F(Source, TheFiveStatesAndTheControlsTheyDisable) {
    settings.CenterFreq = 7100000;
    settings.CFStepIdx = 5;
    StartUp();
    {
        SCOPED_TRACE("Receiver");
        ExpectState(settings, panel(), {0, 0, 0, 0}, {1, 1, 1, 1, 1, 1, 1, -1, 0});
    }
    {
        SCOPED_TRACE("Recording");
        auto o = ctl->Source().StartRecording(dir_ / "rec.wav");
        ASSERT_TRUE(o.accepted);
        ExpectState(settings, panel(), {1, 1, 0, 0}, {0, 0, 0, 0, 0, 0, -1, -1, -1});
        EXPECT_EQ(settings.TuneMode, 0);
        EXPECT_TRUE(panel().Lit(ControlId::Record));
        EXPECT_FALSE(panel().Lit(ControlId::Stop));
        EXPECT_FALSE(mainDisplay().geometry.Scale().FreeScroll());
        // The answer lists what the window must disable.
        ASSERT_NE(o.changes.Find(ControlId::Presel), nullptr);
        EXPECT_FALSE(o.changes.Find(ControlId::Presel)->enabled);
        EXPECT_EQ(ctl->RecordingPath(), dir_ / "rec.wav");
        EXPECT_TRUE(recorder.IsRecording());
    }
    {
        SCOPED_TRACE("Receiver again");
        ASSERT_TRUE(ctl->Source().StopButton().accepted);
        ExpectState(settings, panel(), {0, 0, 0, 0}, {1, 1, 1, -1, 1, -1, -1, -1, -1});
        EXPECT_TRUE(panel().Lit(ControlId::Stop));
        EXPECT_FALSE(panel().Lit(ControlId::Record));
        EXPECT_FALSE(recorder.IsRecording());
        EXPECT_TRUE(mainDisplay().geometry.Scale().FreeScroll());
    }
    {
        SCOPED_TRACE("File source, empty");
        ctl->Source().SelectSource(1);
        ExpectState(settings, panel(), {1, 0, 0, 0}, {1, 0, 0, 1, -1, 0, 0, 0, 1});
        EXPECT_FALSE(board.IsRunning());
        EXPECT_EQ(engine.agcResets, 1);
        EXPECT_EQ(mainDisplay().traceClears, 1u);
    }
    {
        SCOPED_TRACE("File loaded");
        WavReceiverInfo info;
        info.centerFreqHz = 5000000;
        const std::string path = WriteRecording("file_000.wav", info, 6144 * 4);
        ASSERT_TRUE(ctl->Source().LoadFile(path).accepted);
        ExpectState(settings, panel(), {1, 0, 1, 0}, {0, 0, 0, 0, 1, -1, 0, 1, -1});
        EXPECT_TRUE(panel().recBar.rangeSelect);
        EXPECT_EQ(panel().recBar.rangeBytes, 6144u * 4);
    }
    {
        SCOPED_TRACE("Playing");
        ASSERT_TRUE(ctl->Source().Play().accepted);
        ExpectState(settings, panel(), {1, 0, 1, 1}, {-1, -1, -1, -1, -1, -1, -1, -1, -1});
        EXPECT_TRUE(panel().Lit(ControlId::Play));
        EXPECT_FALSE(panel().Lit(ControlId::Stop));
        EXPECT_TRUE(panel().Enabled(ControlId::Stop));
        EXPECT_TRUE(engine.pacing);
        EXPECT_FALSE(ctl->StationPanel().OwnClock());
        EXPECT_FALSE(ctl->Source().Play().accepted);  // already playing
    }
    {
        SCOPED_TRACE("File loaded again");
        ASSERT_TRUE(ctl->Source().StopButton().accepted);
        ExpectState(settings, panel(), {1, 0, 1, 0}, {-1, -1, -1, -1, -1, -1, -1, -1, -1});
        EXPECT_FALSE(engine.pacing);
        EXPECT_TRUE(ctl->StationPanel().OwnClock());
        EXPECT_FALSE(ctl->Source().StopButton().accepted);
    }
    SCOPED_TRACE("Receiver at last");
    ctl->Source().SelectSource(0);
    ExpectState(settings, panel(), {0, 0, 0, 0}, {1, 1, -1, -1, -1, -1, 1, -1, 0});
    EXPECT_TRUE(board.IsRunning());
    EXPECT_FALSE(board.IsFileOpen());
    EXPECT_FALSE(panel().recBar.rangeSelect);
}

TEST_F(Source, ChoosingTheReceiverAgainChangesNothing) {
    StartUp();
    auto o = ctl->Source().SelectSource(0);
    EXPECT_FALSE(o.accepted);
    EXPECT_TRUE(o.changes.Empty());
    EXPECT_TRUE(ReceiverUntouched());
    EXPECT_FALSE(ctl->Source().StopButton().accepted);
}

TEST_F(Source, LoadedFileSetsItsBandQuietlyAndTheReturnSendsIt) {
    settings.Preselector = 1;
    settings.CenterFreq = 14150000;
    StartUp();
    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    info.centerFreqHz = 3500000;
    info.rateIdx = 1;
    info.attenuatorIdx = 2;
    info.preselector = 1;
    info.preamp = 1;
    info.dither = 0;
    info.startTime = 1700000000;
    const std::string path = WriteRecording("band_000.wav", info, 6144 * 4);
    ClearDevice();
    ASSERT_TRUE(ctl->Source().LoadFile(path).accepted);
    EXPECT_EQ(settings.preselectorBand.load(), 3);
    EXPECT_TRUE(ReceiverUntouched());
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Rate125, 1)));
    EXPECT_FALSE(panel().Enabled(Offset(ControlId::Rate125, 1)));
    EXPECT_TRUE(panel().Checked(Offset(ControlId::Att0, 2)));
    EXPECT_TRUE(panel().Checked(ControlId::Preamp));
    EXPECT_FALSE(panel().Checked(ControlId::Dither));
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -7.5);
    EXPECT_EQ(settings.FreqOffset, 0);
    EXPECT_EQ(panel().Text(label::kFreq), " 3.500");
    EXPECT_EQ(engine.bandwidth, settings.DemBwIdx[settings.DemIdx]);
    EXPECT_EQ(settings.restoreHardware.load(), 1);

    ctl->Source().SelectSource(0);
    EXPECT_EQ(dev().preselectorFilters, (std::vector<int>{3}));
    EXPECT_EQ(dev().attenuatorSteps, (std::vector<int>{2}));
    ASSERT_EQ(dev().fpgaNames.size(), 1u);
    EXPECT_NE(dev().fpgaNames[0].find("velorix250k24v11"), std::string::npos);
    EXPECT_EQ(board.ControlByte() & (CAcqBoard::kPreampBit | CAcqBoard::kDitherBit),
              CAcqBoard::kPreampBit);
    EXPECT_EQ(board.CurrentTuningWord(), CAcqBoard::TuningWord(3500.0, 80000000));
    EXPECT_EQ(settings.restoreHardware.load(), 0);
    EXPECT_EQ(settings.fileLoaded.load(), 0);
    EXPECT_TRUE(board.IsRunning());
}

TEST_F(Source, FilesThatDoNotLoadKeepPlayDisabled) {
    StartUp();
    ctl->Source().SelectSource(1);
    auto o = ctl->Source().LoadFile(dir_ / "missing.wav");
    EXPECT_FALSE(o.accepted);
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, "Can't open file");
    EXPECT_FALSE(panel().Enabled(ControlId::Play));
    EXPECT_EQ(settings.fileLoaded.load(), 0);
    EXPECT_EQ(settings.restoreHardware.load(), 0);
    EXPECT_FALSE(ctl->Source().Play().accepted);
}

TEST_F(Source, RecorderThatCannotStartTellsWhyAndLeavesTheReceiverState) {
    StartUp();
    auto o = ctl->Source().StartRecording(dir_ / "no/such/dir/rec.wav");
    EXPECT_FALSE(o.accepted);
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text,
              "Can't create " + dir_ / "no/such/dir/rec_000.wav" + ": No such file or directory");
    EXPECT_EQ(notes.Notices()[0].caption, "Record Error");
    ExpectState(settings, panel(), {0, 0, 0, 0}, {1, -1, -1, -1, -1, -1, -1, -1, -1});
    EXPECT_FALSE(panel().Lit(ControlId::Record));
}

TEST_F(Source, FreeSpaceGuardStopsARecording) {
    StartUp();
    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "rec.wav").accepted);
    freeBytes = std::uint64_t{3} << 30;  // 3 GB: the recording goes on
    ctl->Source().Tick();
    EXPECT_EQ(settings.recording.load(), 1);
    EXPECT_EQ(panel().Text(label::kFile), recorder.CurrentFileName() + " - 3.07 GBytes free ");
    EXPECT_EQ(panel().Text(label::kTime), "22:13:20");
    EXPECT_EQ(panel().Text(label::kDate), "Tue 14-Nov-2023");

    freeBytes = std::nullopt;  // unknown: goes on too
    ctl->Source().Tick();
    EXPECT_EQ(settings.recording.load(), 1);

    freeBytes = std::uint64_t{1} << 29;  // 0.5 GB: (2^29 >> 20) × 0.001 = 0.512
    auto o = ctl->Source().Tick();
    EXPECT_EQ(settings.recording.load(), 0);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_TRUE(panel().Enabled(ControlId::Record));
    EXPECT_FALSE(panel().Lit(ControlId::Record));
    EXPECT_TRUE(panel().Lit(ControlId::Stop));
    EXPECT_TRUE(panel().Enabled(ControlId::Presel));
    EXPECT_EQ(settings.retuneInhibit.load(), 0);
    ASSERT_NE(o.changes.Find(ControlId::Presel), nullptr);
    // The user hears why, and the recorder keeps the reason.
    const std::string why = "Recording stopped: 0.51 GBytes free, less than the 1 GByte needed";
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, why);
    EXPECT_EQ(notes.Notices()[0].caption, "Record Error");
    EXPECT_EQ(recorder.LastError(), why);

    ctl->Source().Tick();  // the Receiver state's status line is empty
    EXPECT_EQ(panel().Text(label::kFile), "");
    EXPECT_EQ(panel().Text(label::kTime), "");
    EXPECT_EQ(panel().recBar.positionBytes, 0u);
}

TEST_F(Source, FileTimeFollowsTheBytePosition) {
    StartUp();
    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    info.centerFreqHz = 7100000;
    info.rateIdx = 1;  // 250 kHz
    info.startTime = 1700000000;
    const std::string path = WriteRecording("time_000.wav", info, 1500000 + 6144 * 2);
    ASSERT_TRUE(ctl->Source().LoadFile(path).accepted);
    ctl->Source().Tick();
    EXPECT_EQ(panel().Text(label::kTime), "22:13:20");
    EXPECT_EQ(panel().Text(label::kFile), path);

    ctl->Source().SelectFileRange(1500003, 1500000 + 6144 * 2);  // cut to whole frames
    EXPECT_EQ(board.LoopStart(), 1500000u);
    ctl->Source().Tick();
    EXPECT_EQ(panel().recBar.positionBytes, 1500000u);
    EXPECT_EQ(panel().Text(label::kTime), "22:13:21");
    EXPECT_EQ(panel().Text(label::kDate), "Tue 14-Nov-2023");
}

TEST_F(Source, ClipIsReportedOnceAndPlaybackTimeDrivesTheStationClock) {
    StartUp();
    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    info.centerFreqHz = 9600000;
    info.rateIdx = 0;
    info.startTime = 1700000000 - 3600;  // an hour before "now"
    const std::string path = WriteRecording("clip_000.wav", info, 6144 * 8, true);
    ASSERT_TRUE(ctl->Source().LoadFile(path).accepted);
    ASSERT_TRUE(ctl->Source().Play().accepted);
    EXPECT_TRUE(ctl->MeterUpdate().clip);
    EXPECT_FALSE(ctl->MeterUpdate().clip);
    ctl->Source().Tick();
    EXPECT_EQ(ctl->StationPanel().NowHhmm(), 2113);
    ctl->Shutdown();
    EXPECT_EQ(settings.playing.load(), 0);
    EXPECT_EQ(settings.fileLoaded.load(), 0);
    EXPECT_FALSE(board.IsFileOpen());
}

TEST_F(Source, ASeriesCutShortByAFileOfAnotherRateIsToldOnce) {
    StartUp();
    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    const std::string first = WriteRecording("cut_000.wav", info, 6144 * 2);
    info.rateIdx = 1;
    const std::string next = WriteRecording("cut_001.wav", info, 6144 * 2);
    ASSERT_TRUE(ctl->Source().LoadFile(first).accepted);
    ASSERT_TRUE(ctl->Source().Play().accepted);  // reads past the end of the first file
    ctl->Source().Tick();
    ctl->Source().Tick();  // tells nothing new
    const auto n = notes.Notices();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].caption, "Playback");
    EXPECT_EQ(n[0].text, "The series ends before " + next +
                             ": it is recorded at 250 kHz, the series at 125 kHz");
    ctl->Shutdown();
}

}  // namespace
}  // namespace velorix::test

namespace velorix::test {
namespace {

// A recorder whose disk fills up after the header of the first file.
class FullDiskRecorder : public CDspRecorder {
public:
    using CDspRecorder::CDspRecorder;

protected:
    std::size_t WriteBytes(std::FILE* f, const void* data, std::size_t n) override {
        if (n == static_cast<std::size_t>(kWavHeaderBytes))
            return CDspRecorder::WriteBytes(f, data, n);
        return 0;
    }
};

TEST_F(Source, RecordingEndedByAWriteErrorLeavesTheRecordingState) {
    StartUp();
    FullDiskRecorder full(&settings, &notes);
    const auto owner = NewController(full, &lists);
    ReceiverController& c = *owner;
    c.SetFreeSpaceProbe([](const std::string&) { return std::optional<std::uint64_t>{}; });
    c.RestoreAll();
    ASSERT_TRUE(c.Source().StartRecording(dir_ / "full.wav").accepted);
    std::vector<std::uint8_t> unit(6144, 0);
    full.Write(unit.data(), 1024);  // as the board's worker would
    ASSERT_FALSE(full.IsRecording());
    EXPECT_EQ(settings.recording.load(), 1);  // until the next status tick
    c.Source().Tick();
    EXPECT_EQ(settings.recording.load(), 0);
    EXPECT_EQ(settings.retuneInhibit.load(), 0);
    EXPECT_TRUE(c.Panel().Enabled(ControlId::Presel));
    EXPECT_FALSE(c.Panel().Lit(ControlId::Record));
}

TEST_F(Source, NothingReachesTheReceiverWhileInhibited) {
    settings.CenterFreq = 7100000;
    StartUp();
    const auto tryEverything = [&] {
        ctl->FrontEnd().SelectAttenuator(3);
        ctl->FrontEnd().TogglePreamp();
        ctl->FrontEnd().ToggleDither();
        ctl->FrontEnd().TogglePreselector();
        ctl->FrontEnd().SelectRate(2);
        ctl->FrontEnd().Cal();
        ctl->FrontEnd().CalClr();
        ctl->Tuning().StepCentre(true);
        ctl->Tuning().ToggleCenter();
        ctl->Tuning().WheelOverDisplay(120);
        ctl->Tuning().WheelOverReadout(-120, 3);
        ctl->Tuning().SetTunedFrequencyKHz(7090.0);
        ctl->Demodulator().SelectMode(2);
        ctl->Demodulator().SelectFilter(1);
        ctl->Source().Tick();
    };
    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "quiet.wav").accepted);
    ClearDevice();
    tryEverything();
    EXPECT_TRUE(ReceiverUntouched());
    EXPECT_EQ(settings.CenterFreq, 7100000);
    EXPECT_EQ(settings.AttenuatorIdx, 0);
    ctl->Source().StopButton();

    ctl->Source().SelectSource(1);
    WavReceiverInfo info;
    info.centerFreqHz = 7000000;
    ASSERT_TRUE(ctl->Source().LoadFile(WriteRecording("q_000.wav", info, 6144 * 4)).accepted);
    ctl->Source().Play();
    ClearDevice();
    tryEverything();
    ctl->Source().SelectFileRange(0, 6144);
    EXPECT_TRUE(ReceiverUntouched());
    EXPECT_EQ(settings.CenterFreq, 7000000);
}

}  // namespace
}  // namespace velorix::test
