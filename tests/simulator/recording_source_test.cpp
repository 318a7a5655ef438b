// A recording as the virtual receiver's stream: looped, silent at another
// rate, and refused with its reason when it cannot be played.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "RecordingSource.h"
#include "TempDir.h"
#include "TestSignal.h"
#include "WavFormat.h"

namespace velorix::sim {
namespace {

using test::TempDir;

// A recording at 250 kHz of `frames` frames numbered 0, 1, ... by the test signal's counter.
std::vector<uint8_t> Recording(uint32_t frames, uint32_t claimedBytes) {
    WavReceiverInfo info;
    info.rateIdx = 1;
    WavHeaderImage header = BuildWavHeader(info);
    SetWavSizes(header, claimedBytes);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (uint32_t n = 0; n < frames; ++n) {
        uint8_t frame[6];
        test_signal::EncodeFrame(frame, 100, -100, n);
        bytes.insert(bytes.end(), frame, frame + 6);
    }
    return bytes;
}

std::vector<uint32_t> Counters(RecordingSource& source, uint64_t first, size_t frames) {
    std::vector<uint8_t> out(frames * 6, 0xAA);
    source.Fill(first, out.data(), frames);
    std::vector<uint32_t> counters;
    for (size_t n = 0; n < frames; ++n)
        counters.push_back(test_signal::DecodeCounter(&out[6 * n]));
    return counters;
}

TEST(RecordingSource, LoopsAtItsRateAndIsSilentAtAnother) {
    TempDir dir("recording-source");
    // The header claims more than the file holds: the 100 whole frames play.
    test::WriteAll(dir / "r.wav", Recording(100, 6000));
    std::string error;
    auto source = RecordingSource::Open(dir / "r.wav", error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->RecordedRateKHz(), 250);
    EXPECT_EQ(source->Frames(), 100u);
    source->SetRate(250);
    EXPECT_EQ(Counters(*source, 1098, 4), (std::vector<uint32_t>{98, 99, 0, 1}));

    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* capture = std::tmpfile();
    dup2(fileno(capture), 2);
    source->SetRate(500);
    source->SetRate(125);  // said once only
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    char said[256] = {};
    const size_t n = std::fread(said, 1, sizeof said - 1, capture);
    std::fclose(capture);
    EXPECT_EQ(std::string(said, n), "velorix virtual receiver: " + dir / "r.wav" +
                                        " is at 250 kHz, the receiver at 500 kHz\n");
    EXPECT_EQ(Counters(*source, 5, 3), (std::vector<uint32_t>{0, 0, 0}));
    source->SetRate(250);
    EXPECT_EQ(Counters(*source, 5, 3), (std::vector<uint32_t>{5, 6, 7}));
}

TEST(RecordingSource, RefusesWhatItCannotPlay) {
    TempDir dir("recording-refused");
    std::vector<uint8_t> foreign = Recording(10, 60);
    foreign[36] = 'x';  // no receiver chunk
    test::WriteAll(dir / "foreign.wav", foreign);
    test::WriteAll(dir / "empty.wav", Recording(0, 0));
    const struct {
        std::string name;
        std::string error;
    } cases[] = {
        {"missing.wav", "missing.wav: No such file or directory"},
        {"foreign.wav", "foreign.wav: Wav file not in Velorix format"},
        {"empty.wav", "empty.wav: the recording holds no samples"},
        {"", ": a directory, not a file"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(RecordingSource::Open(dir / c.name, error), nullptr) << c.name;
        EXPECT_EQ(error, dir / c.error) << c.name;
    }
}

}  // namespace
}  // namespace velorix::sim
