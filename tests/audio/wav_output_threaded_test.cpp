// CWaveOut writing a WAV file: the byte image of what the chain delivered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FakeAudioSink.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "WavFileSink.h"
#include "WaveOut.h"

namespace velorix::test {
namespace {

TEST(WavOutput, FileHoldsTheSilentMarginThenEveryBlockWithNoneDropped) {
    const TempDir dir{"wav-out"};
    const std::string path = dir / "out.wav";
    RecordingNotifier notes;
    constexpr int kBlocks = 500;  // far more than 16: the chain must wait, not drop
    {
        CWaveOut out(std::make_unique<WavFileSink>(path), notes);
        ASSERT_EQ(out.Open(""), 1);
        EXPECT_EQ(out.DeviceDescription(), "WAV file " + path);
        for (int k = 1; k <= kBlocks; ++k)
            PushBlock(out, static_cast<int16_t>(k));
        EXPECT_EQ(out.DroppedCount(), 0u);
        out.Shutdown();
        // Every buffer written was reported played, silence included.
        EXPECT_EQ(out.PlayedCount() + static_cast<uint64_t>(out.QueuedCount()),
                  static_cast<uint64_t>(8 + kBlocks));
    }
    EXPECT_TRUE(notes.Notices().empty());

    std::ifstream f(path, std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(f),
                                    std::istreambuf_iterator<char>()};
    const uint32_t data = (8 + kBlocks) * 2048;
    ASSERT_EQ(file.size(), 44u + data);
    // The canonical 44-byte PCM header for 2 x 16 bit at 31 250 Hz, written
    // out by hand, with the sizes patched at close.
    std::vector<uint8_t> header = {'R',  'I',  'F',  'F',  0,   0,   0,  0, 'W', 'A',
                                   'V',  'E',  'f',  'm',  't', ' ', 16, 0, 0,   0,  // fmt size
                                   1,    0,    2,    0,     // PCM, 2 channels
                                   0x12, 0x7A, 0x00, 0x00,  // 31250
                                   0x48, 0xE8, 0x01, 0x00,  // 125000 bytes/s
                                   4,    0,    16,   0,     // block align, bits
                                   'd',  'a',  't',  'a',  0,   0,   0,  0};
    for (int i = 0; i < 4; ++i) {
        header[4 + i] = static_cast<uint8_t>((36 + data) >> (8 * i));
        header[40 + i] = static_cast<uint8_t>(data >> (8 * i));
    }
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    for (size_t i = 44; i < 44 + 8 * 2048; ++i)
        ASSERT_EQ(file[i], 0) << "silent margin at " << i;
    for (int k = 1; k <= kBlocks; ++k) {
        const size_t at = 44 + static_cast<size_t>(7 + k) * 2048;
        const std::vector<std::byte> buf(reinterpret_cast<const std::byte*>(&file[at]),
                                         reinterpret_cast<const std::byte*>(&file[at]) + 2048);
        ASSERT_TRUE(BufferIsTag(buf, static_cast<int16_t>(k))) << "block " << k;
    }
}

TEST(WavOutput, AnUnwritableFileIsShownAndTheOutputStaysClosed) {
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<WavFileSink>("/nonexistent-velorix-dir/a.wav"), notes);
    EXPECT_EQ(out.Open(""), 0);
    const auto n = notes.Notices();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].text, "Can't create /nonexistent-velorix-dir/a.wav: No such file or directory");
    EXPECT_EQ(n[0].caption, "WaveOut");
    PushBlock(out, 1);
    EXPECT_EQ(out.DroppedCount(), 1u);
}

}  // namespace
}  // namespace velorix::test
