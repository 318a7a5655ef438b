#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AcqBoard.h"
#include "DspRecorder.h"
#include "FakeUsbDevice.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

using test::CounterOf;
using test::FakeUsbDevice;
using test::ReadAll;
using test::RecordingNotifier;
using test::TempDir;
using test::TestSink;
using test::WriteAll;

constexpr int kBlock = 6144;

class Playback : public ::testing::Test {
protected:
    // Records `blocks` blocks of counter frames starting at frame `first`.
    std::string Record(const std::string& name, int blocks, std::uint64_t first = 0,
                       int centerHz = 14150000, int rateIdx = 0) {
        SettingsRecord s;
        s.CenterFreq = centerHz;
        s.DdcSamplingRateIdx = rateIdx;
        s.AttenuatorIdx = 2;
        s.AdcPreamp = 1;
        CDspRecorder rec(&s);
        rec.SetRate(kOutputRatesKHz[rateIdx]);
        EXPECT_EQ(rec.Start(dir / name), 1);
        FakeUsbDevice d;
        d.nextFrame = first;
        std::vector<std::uint8_t> block(kBlock);
        for (int i = 0; i < blocks; ++i) {
            d.NextBlock(block.data(), kBlock);
            rec.Write(block.data(), 1024);
        }
        const std::string file = rec.CurrentFileName();
        rec.Stop();
        return file;
    }
    // Lets the board believe the sound card played `buffers` buffers of 512 frames.
    void Play(int buffers) {
        for (int i = 0; i < buffers; ++i)
            board.Played(512, 31250.0);
    }
    std::vector<int> Counters() const {
        std::vector<int> c;
        for (const auto& x : sink.received)
            c.push_back(CounterOf(x.real()));
        return c;
    }

    TempDir dir{"play"};
    SettingsRecord settings;
    UsbLibrary lib{FakeUsbDevice::Exports()};
    CAcqBoard board{lib};
    TestSink sink{1024};
    RecordingNotifier notes;

    void SetUp() override {
        board.Connect(&sink);
        board.Open(&settings);
    }
};

TEST_F(Playback, PlaysBackTheSamplesTheRecorderStoredAndTakesItsSettings) {
    const std::string file = Record("take", 40, 0, 7100000, 0);
    ASSERT_EQ(board.OpenFile(file, notes), 1);
    EXPECT_EQ(board.OpenFile(file, notes), 0);  // one file at a time
    EXPECT_EQ(settings.CenterFreq, 7100000);
    EXPECT_EQ(settings.AttenuatorIdx, 2);
    EXPECT_EQ(settings.AdcPreamp, 1);
    EXPECT_DOUBLE_EQ(settings.levelOffsetDb, -7.5);
    EXPECT_EQ(board.FileDataSize(), 40u * kBlock);
    EXPECT_DOUBLE_EQ(sink.rate, 125.0);

    ASSERT_EQ(board.StartPlayback(), 1);
    // A tenth of a second at 125 kHz is 12.2 blocks of 1024 frames: 13 are read ahead.
    EXPECT_EQ(sink.received.size(), 13u * 1024);
    Play(1);  // 16.384 ms played: two more blocks restore the margin
    EXPECT_EQ(sink.received.size(), 15u * 1024);
    Play(19);  // two blocks for every buffer played
    const auto c = Counters();
    ASSERT_EQ(c.size(), 53u * 1024);
    for (size_t i = 0; i < 40 * 1024; ++i)
        ASSERT_EQ(c[i], int(i));
    // The whole file was played once and it starts again (no next file).
    for (size_t i = 40 * 1024; i < c.size(); ++i)
        ASSERT_EQ(c[i], int(i - 40 * 1024));
    EXPECT_TRUE(notes.Notices().empty());
}

TEST_F(Playback, StopAtEndPlaysASeriesOnceAndStops) {
    Record("once_000", 3, 0);
    Record("once_001", 2, 3072);
    ASSERT_EQ(board.OpenFile(dir / "once_000.wav", notes), 1);
    board.SetStopAtEnd(true);
    board.StartPlayback();
    Play(20);
    EXPECT_FALSE(board.IsPlaying());
    EXPECT_EQ(board.BlocksPushed(), 5u);
    const auto c = Counters();
    ASSERT_EQ(c.size(), 5u * 1024);
    for (size_t i = 0; i < c.size(); ++i)
        ASSERT_EQ(c[i], int(i));
}

TEST_F(Playback, ALoopNeverLeavesItsStretch) {
    ASSERT_EQ(board.OpenFile(Record("loop", 20), notes), 1);
    board.SetLoop(2 * kBlock + 6, 5 * kBlock + 5);  // not block aligned
    EXPECT_EQ(board.LoopStart(), 2u * kBlock + 6);
    EXPECT_EQ(board.LoopEnd(), 5u * kBlock);
    board.StartPlayback();
    Play(40);
    const auto c = Counters();
    ASSERT_GT(c.size(), 20u * 1024);
    // Stretch frames 2049 … 5120: only two whole blocks fit in it.
    for (int v : c) {
        ASSERT_GE(v, 2049);
        ASSERT_LT(v, 2049 + 2048);
    }
    EXPECT_FALSE(board.FileSwitched());
    board.SetLoop(7, 7);  // equal ends: the whole file again
    EXPECT_EQ(board.LoopStart(), 0u);
    EXPECT_EQ(board.LoopEnd(), 20u * kBlock);
}

TEST_F(Playback, TheEndOfOneFileContinuesInTheNextOfTheSeries) {
    // Files 003 and 004 of one series, with different centre frequencies;
    // 005 was recorded at 250 kHz and ends the series.
    Record("series_003", 4, 0, 9000000);
    Record("series_004", 4, 4096, 9500000);
    Record("series_005", 4, 8192, 9500000, 1);
    ASSERT_EQ(board.OpenFile(dir / "series_003.wav", notes), 1);
    EXPECT_EQ(settings.CenterFreq, 9000000);
    board.StartPlayback();  // four blocks, the next file, then 004 again
    Play(2);
    EXPECT_TRUE(board.FileSwitched());
    const CAcqBoard::PlayingFile file = board.CurrentFile();
    EXPECT_EQ(file.name, dir / "series_004.wav");
    EXPECT_EQ(file.dataSize, 4u * kBlock);
    EXPECT_EQ(settings.CenterFreq, 9500000);
    EXPECT_EQ(settings.DdcSamplingRateIdx, 0);
    const auto c = Counters();
    ASSERT_GE(c.size(), 16u * 1024);
    for (size_t i = 0; i < 16 * 1024; ++i)
        ASSERT_EQ(c[i], i < 8192 ? int(i) : int(4096 + i % 4096)) << i;
    // Why the series ended early is kept, and handed out once although 004
    // meets 005 again at every turn of its loop.
    const std::string why = "The series ends before " + (dir / "series_005.wav") +
                            ": it is recorded at 250 kHz, the series at 125 kHz";
    EXPECT_EQ(board.SeriesEnd(), why);
    EXPECT_EQ(board.TakeSeriesEnd(), why);
    Play(8);
    EXPECT_EQ(board.TakeSeriesEnd(), "");
    EXPECT_EQ(board.SeriesEnd(), why);
}

TEST_F(Playback, ANextFileThatIsNoRecordingEndsTheSeriesAndSaysWhy) {
    const struct {
        const char* name;
        void (*make)(const std::string& path);
        const char* why;  // "" for the series' own end
    } cases[] = {
        {"absent", [](const std::string&) {}, ""},
        {"garbage", [](const std::string& p) { WriteAll(p, std::vector<std::uint8_t>(300, 7)); },
         "it is not a recording of this receiver"},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); },
         "it cannot be opened"},
    };
    for (const auto& c : cases) {
        const std::string first = Record(std::string(c.name) + "_000", 2);
        const std::string next = dir / (std::string(c.name) + "_001.wav");
        c.make(next);
        ASSERT_EQ(board.OpenFile(first, notes), 1) << c.name;
        board.SetStopAtEnd(true);
        board.StartPlayback();
        Play(4);
        EXPECT_FALSE(board.IsPlaying()) << c.name;
        EXPECT_EQ(board.SeriesEnd(),
                  *c.why ? "The series ends before " + next + ": " + c.why : std::string())
            << c.name;
        board.CloseFile();
    }
}

TEST_F(Playback, AForeignWavIsRefusedAndTheNextOpenWorks) {
    std::vector<std::uint8_t> pcm = ReadAll(Record("good", 2));
    pcm[36] = 'L';  // "LIST" where "rcvr" belongs: a plain WAV file
    pcm[37] = 'I';
    pcm[38] = 'S';
    pcm[39] = 'T';
    WriteAll(dir / "foreign.wav", pcm);
    EXPECT_EQ(board.OpenFile(dir / "foreign.wav", notes), 0);
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, "Wav file not in Velorix format");
    EXPECT_EQ(notes.Notices()[0].caption, "Open Error");
    EXPECT_EQ(notes.Notices()[0].icon, Notifier::Icon::Warning);
    EXPECT_EQ(board.OpenFile(dir / "good_000.wav", notes), 1);
}

TEST_F(Playback, BrokenFilesAreRefusedOrPlayedSafely) {
    const std::vector<std::uint8_t> good = ReadAll(Record("src", 3));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;  // null: opens
    };
    std::vector<std::uint8_t> rate9 = good;
    rate9[48] = 9;
    std::vector<std::uint8_t> pastEnd = good;
    pastEnd[82] = 0xff;
    pastEnd[83] = 0xff;
    pastEnd[84] = 0xff;
    std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 86 + kBlock + 100);
    std::vector<std::uint8_t> random(5000);
    for (size_t i = 0; i < random.size(); ++i)
        random[i] = static_cast<std::uint8_t>(i * 131 + 7);
    const Case cases[] = {
        {"empty.wav", {}, "Can't read wav header"},
        {"short.wav", std::vector<std::uint8_t>(good.begin(), good.begin() + 50),
         "Can't read wav header"},
        {"rate9.wav", rate9, "Wav file not in Velorix format"},
        {"random.wav", random, "Wav file not in Velorix format"},
        {"pastend.wav", pastEnd, nullptr},
        {"truncated.wav", truncated, nullptr},
    };
    for (const auto& c : cases) {
        WriteAll(dir / c.name, c.bytes);
        RecordingNotifier n;
        const int opened = board.OpenFile(dir / c.name, n);
        if (c.message) {
            EXPECT_EQ(opened, 0) << c.name;
            ASSERT_EQ(n.Notices().size(), 1u) << c.name;
            EXPECT_EQ(n.Notices()[0].text, c.message) << c.name;
            continue;
        }
        ASSERT_EQ(opened, 1) << c.name;
        EXPECT_LE(board.FileDataSize(), c.bytes.size() - 86) << c.name;
        board.StartPlayback();  // must return: no spinning on a missing block
        Play(10);
        EXPECT_TRUE(board.IsPlaying()) << c.name;
        board.CloseFile();
    }
    EXPECT_EQ(settings.DdcSamplingRateIdx, 0);
}

TEST_F(Playback, AHeaderCutOffBeforeItsSizesWerePatchedPlaysTheWholeFramesThatFollow) {
    const std::vector<std::uint8_t> good = ReadAll(Record("cut", 3));  // 18432 data bytes
    struct Case {
        std::uint32_t headerBytes;
        const char* notice;  // null: read as it is
    } cases[] = {
        {0, "The header gives 0 data bytes; playing the 18432 the file holds"},
        {6144, "The header gives 6144 data bytes; playing the 18432 the file holds"},
        {18432, nullptr},  // a complete file
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> f = good;
        for (int i = 0; i < 4; ++i)
            f[82 + i] = static_cast<std::uint8_t>(c.headerBytes >> (8 * i));
        WriteAll(dir / "cut.wav", f);
        RecordingNotifier n;
        ASSERT_EQ(board.OpenFile(dir / "cut.wav", n), 1);
        EXPECT_EQ(board.FileDataSize(), 18432u);
        ASSERT_EQ(n.Notices().size(), c.notice ? 1u : 0u) << c.headerBytes;
        if (c.notice) {
            EXPECT_EQ(n.Notices()[0].text, c.notice);
        }
        sink.received.clear();
        board.SetStopAtEnd(true);
        board.StartPlayback();
        Play(10);
        const auto counters = Counters();
        ASSERT_EQ(counters.size(), 3u * 1024) << c.headerBytes;
        for (size_t i = 0; i < counters.size(); ++i)
            ASSERT_EQ(counters[i], int(i));
        board.CloseFile();
    }
}

TEST_F(Playback, AFileWithoutAWholeBlockStopsInsteadOfLooping) {
    std::vector<std::uint8_t> f = ReadAll(Record("tiny", 1));
    f.resize(86 + 3000);
    f[82] = 3000 & 0xff;
    f[83] = 3000 >> 8;
    WriteAll(dir / "tiny.wav", f);
    ASSERT_EQ(board.OpenFile(dir / "tiny.wav", notes), 1);
    board.StartPlayback();
    EXPECT_FALSE(board.IsPlaying());
    EXPECT_TRUE(sink.received.empty());
}

TEST_F(Playback, MissingAndOverlongPathsAreTold) {
    EXPECT_EQ(board.OpenFile(dir / "nothing.wav", notes), 0);
    EXPECT_EQ(board.OpenFile(std::string(300, 'x'), notes), 0);
    ASSERT_EQ(notes.Notices().size(), 2u);
    EXPECT_EQ(notes.Notices()[0].text, "Can't open file");
    EXPECT_EQ(notes.Notices()[1].text, "File name too long");
    EXPECT_FALSE(board.IsFileOpen());
}

}  // namespace
}  // namespace velorix
