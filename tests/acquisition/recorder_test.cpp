#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "DspRecorder.h"
#include "FakeUsbDevice.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "WavFormat.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;
using test::FakeUsbDevice;
using test::Le32;
using test::ReadAll;
using test::RecordingNotifier;
using test::TempDir;

constexpr int kBlock = 6144;

// Blocks of counter frames, as the virtual receiver numbers them.
std::vector<std::uint8_t> CounterBlocks(int blocks, std::uint64_t first = 0) {
    FakeUsbDevice d;
    d.nextFrame = first;
    std::vector<std::uint8_t> v(static_cast<size_t>(blocks) * kBlock);
    d.NextBlock(v.data(), static_cast<int>(v.size()));
    return v;
}

void WriteBlocks(CDspRecorder& rec, const std::vector<std::uint8_t>& data) {
    for (size_t at = 0; at < data.size(); at += kBlock)
        rec.Write(data.data() + at, 1024);
}

TEST(WavFormat, HeaderImageCarriesTheReceiverSettings) {
    WavReceiverInfo info;
    info.centerFreqHz = 14150000;
    info.rateIdx = 1;
    info.startTime = 1700000000;
    info.attenuatorIdx = 2;
    info.preselector = 1;
    info.preamp = 0;
    info.dither = 1;
    WavHeaderImage h = BuildWavHeader(info);
    std::vector<std::uint8_t> b(h.begin(), h.end());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(Le32(b, 4), 0u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le32(b, 16), 16u);
    EXPECT_EQ(b[20] | b[21] << 8, 1);
    EXPECT_EQ(b[22] | b[23] << 8, 2);
    EXPECT_EQ(Le32(b, 24), 250000u);
    EXPECT_EQ(Le32(b, 28), 1500000u);
    EXPECT_EQ(b[32] | b[33] << 8, 6);
    EXPECT_EQ(b[34] | b[35] << 8, 24);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "rcvr");
    EXPECT_EQ(Le32(b, 40), 34u);
    EXPECT_EQ(Le32(b, 44), 14150000u);
    EXPECT_EQ(Le32(b, 48), 1u);
    EXPECT_EQ(Le32(b, 52), 1700000000u);
    EXPECT_EQ(b[56] | b[57] << 8, 2);
    EXPECT_EQ(b[58], 1);
    EXPECT_EQ(b[59], 0);
    EXPECT_EQ(b[60], 1);
    for (int i = 61; i < 78; ++i)
        EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(std::string(b.begin() + 78, b.begin() + 82), "data");
    SetWavSizes(h, 12288);
    b.assign(h.begin(), h.end());
    EXPECT_EQ(Le32(b, 4), 12288u + 78);
    EXPECT_EQ(Le32(b, 82), 12288u);

    WavHeader back;
    ASSERT_EQ(ParseWavHeader(h.data(), h.size(), back), WavHeaderStatus::Ok);
    EXPECT_EQ(back.info.centerFreqHz, 14150000u);
    EXPECT_EQ(back.info.startTime, 1700000000u);
    EXPECT_EQ(back.dataBytes, 12288u);
    EXPECT_EQ(ParseWavHeader(h.data(), 85, back), WavHeaderStatus::TooShort);
    h[48] = 9;
    EXPECT_EQ(ParseWavHeader(h.data(), h.size(), back), WavHeaderStatus::NotReceiverFormat);
    h[48] = 0;
    h[39] = 'x';
    EXPECT_EQ(ParseWavHeader(h.data(), h.size(), back), WavHeaderStatus::NotReceiverFormat);
}

TEST(WavFormat, SeriesNamesComeFromTheFileNameOnly) {
    struct Case {
        const char* path;
        const char* base;
        int number;
    } cases[] = {
        {"my_file", "my", 0},
        {"/rec/band_007.wav", "/rec/band", 7},
        {"/rec/band", "/rec/band", 0},
        {"/rec/band.wav", "/rec/band", 0},
        {"/rec/my.dir/band", "/rec/my.dir/band", 0},      // the '.' of a directory stays
        {"/rec/my_dir/band.wav", "/rec/my_dir/band", 0},  // so does its '_'
        {"/rec/a_b_12x.wav", "/rec/a_b", 12},
    };
    for (const auto& c : cases) {
        const WavSeriesName s = ParseWavSeriesPath(c.path);
        EXPECT_EQ(s.base, c.base) << c.path;
        EXPECT_EQ(s.number, c.number) << c.path;
    }
    EXPECT_EQ(WavSeriesFileName("/rec/band", 7), "/rec/band_007.wav");
    EXPECT_EQ(WavSeriesFileName("x", 1234), "x_1234.wav");
}

TEST(Recorder, SixHundredSecondsPerFileAtEachRate) {
    SettingsRecord s;
    CDspRecorder rec(&s);
    EXPECT_EQ(rec.MaxBytesPerFile(), 1799995392u);
    rec.SetRate(125.0);
    rec.SetMaxSeconds(600);
    EXPECT_EQ(rec.MaxBytesPerFile(), 449998848u);
    rec.SetRate(250.0);
    rec.SetMaxSeconds(600);
    EXPECT_EQ(rec.MaxBytesPerFile(), 899997696u);
    rec.SetRate(500.0);
    rec.SetMaxSeconds(600);
    EXPECT_EQ(rec.MaxBytesPerFile(), 1799995392u);
    rec.SetMaxSeconds(3600);  // capped below 2^31 bytes
    EXPECT_EQ(rec.MaxBytesPerFile(), 2147481600u);
    EXPECT_LT(rec.MaxBytesPerFile() + 86, 1ull << 31);
    EXPECT_EQ(rec.MaxBytesPerFile() % kBlock, 0u);
}

class RecorderFiles : public ::testing::Test {
protected:
    TempDir dir{"rec"};
    SettingsRecord settings;
};

TEST_F(RecorderFiles, SplitsIntoNumberedFilesOfExactSize) {
    CDspRecorder rec(&settings);
    rec.SetClock([] { return std::int64_t(1700000000); });
    rec.SetRate(125.0);
    rec.SetMaxSeconds(3 * 1024 / 125000.0);  // three blocks per file
    ASSERT_EQ(rec.MaxBytesPerFile(), 3u * kBlock);
    ASSERT_EQ(rec.Start(dir / "band.wav"), 1);
    EXPECT_EQ(rec.Start(dir / "other.wav"), 0);  // already recording
    const auto data = CounterBlocks(7);
    WriteBlocks(rec, data);
    EXPECT_EQ(rec.CurrentFileName(), dir / "band_002.wav");
    EXPECT_EQ(rec.BytesInFile(), 1u * kBlock);
    EXPECT_EQ(rec.Stop(), 1);
    EXPECT_EQ(rec.Stop(), 0);

    std::vector<std::uint8_t> joined;
    const int blocks[] = {3, 3, 1};
    for (int n = 0; n < 3; ++n) {
        const auto f = ReadAll(WavSeriesFileName(dir / "band", n));
        ASSERT_EQ(f.size(), 86u + blocks[n] * kBlock) << n;
        EXPECT_EQ(Le32(f, 4), 78u + blocks[n] * kBlock);
        EXPECT_EQ(Le32(f, 82), 1u * blocks[n] * kBlock);
        EXPECT_EQ(Le32(f, 44), 14150000u);
        EXPECT_EQ(Le32(f, 52), 1700000000u);  // start time from the recorder's clock
        joined.insert(joined.end(), f.begin() + 86, f.end());
    }
    EXPECT_EQ(joined, data);  // bit-exact, nothing lost or repeated at the splits
    EXPECT_FALSE(fs::exists(WavSeriesFileName(dir / "band", 3)));
}

TEST_F(RecorderFiles, StoppingBeforeTheFirstBlockLeavesAValidEmptyFile) {
    CDspRecorder rec(&settings);
    ASSERT_EQ(rec.Start(dir / "quiet"), 1);
    rec.Stop();
    const auto f = ReadAll(dir / "quiet_000.wav");
    ASSERT_EQ(f.size(), 86u);
    EXPECT_EQ(Le32(f, 4), 78u);
    EXPECT_EQ(Le32(f, 82), 0u);
}

TEST_F(RecorderFiles, ANameEndingInANumberContinuesTheSeries) {
    CDspRecorder rec(&settings);
    ASSERT_EQ(rec.Start(dir / "night_007.wav"), 1);
    WriteBlocks(rec, CounterBlocks(1));
    rec.Stop();
    EXPECT_TRUE(fs::exists(dir / "night_007.wav"));
    ASSERT_EQ(rec.Start(dir / "my_file.wav"), 1);
    rec.Stop();
    EXPECT_TRUE(fs::exists(dir / "my_000.wav"));
    EXPECT_EQ(rec.RecordingDirectory(), dir.path().string());
}

TEST_F(RecorderFiles, RefusesWhatItCannotCreate) {
    CDspRecorder rec(&settings);
    EXPECT_EQ(rec.Start(dir / "missing/dir/x"), 0);
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(rec.Start(dir / std::string(260, 'a')), 0);
    EXPECT_EQ(rec.LastError(), "Recording path too long");
    WriteBlocks(rec, CounterBlocks(1));  // ignored when not recording
    EXPECT_EQ(rec.BytesInFile(), 0u);
}

TEST_F(RecorderFiles, SizesArePatchedWhileRecordingSoACrashLosesLittle) {
    CDspRecorder rec(&settings);
    rec.SetRate(125.0);
    ASSERT_EQ(rec.Start(dir / "long"), 1);
    // Ten seconds at 125 kHz are 7,500,000 bytes: the 1221st block passes them.
    for (int i = 0; i < 1230; ++i)
        WriteBlocks(rec, CounterBlocks(1, i * 1024ull));
    const auto f = ReadAll(dir / "long_000.wav");  // read while still recording
    EXPECT_EQ(f.size(), 86u + 1230u * kBlock);
    EXPECT_EQ(Le32(f, 82), 1221u * kBlock);
    EXPECT_EQ(Le32(f, 4), 1221u * kBlock + 78);
    rec.Stop();
}

// Appends fail once a number of bytes has gone to the file, as on a full
// disk; rewriting the 4-byte sizes in place still works there.
class FullDiskRecorder : public CDspRecorder {
public:
    using CDspRecorder::CDspRecorder;
    std::size_t room = 0;

protected:
    std::size_t WriteBytes(std::FILE* f, const void* data, std::size_t n) override {
        if (n == 4) return CDspRecorder::WriteBytes(f, data, n);
        const std::size_t take = std::min(n, room);
        room -= take;
        const std::size_t done = CDspRecorder::WriteBytes(f, data, take);
        if (done < n) errno = ENOSPC;
        return done;
    }
};

TEST_F(RecorderFiles, AFullDiskEndsTheRecordingWithTrueSizes) {
    RecordingNotifier notes;
    FullDiskRecorder rec(&settings, &notes);
    rec.room = 86 + 2 * kBlock + 1000;  // header, two blocks, part of a third
    ASSERT_EQ(rec.Start(dir / "full"), 1);
    WriteBlocks(rec, CounterBlocks(5));
    EXPECT_FALSE(rec.IsRecording());
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, "Recording stopped: disk full or write error");
    const auto f = ReadAll(dir / "full_000.wav");
    // The whole frames that reached the disk, and the header says so.
    const std::uint32_t expect = 2 * kBlock + 996;
    EXPECT_EQ(f.size(), 86u + expect);
    EXPECT_EQ(Le32(f, 82), expect);
    EXPECT_EQ(Le32(f, 4), expect + 78);
}

}  // namespace
}  // namespace velorix
