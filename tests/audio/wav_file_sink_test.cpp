// The WAV file device's errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "WavFileSink.h"

namespace velorix::test {
namespace {

TEST(WavFileSink, ErrorsNameTheFileAndTheCause) {
    WavFileSink missingDir("/nonexistent-velorix-dir/out.wav");
    const AudioStatus s = missingDir.Open("");
    EXPECT_EQ(s.error, AudioError::Other);
    EXPECT_EQ(s.text, "Can't create /nonexistent-velorix-dir/out.wav: No such file or directory");
    std::byte b[4]{};
    EXPECT_FALSE(missingDir.Write(b, 4).Ok());
    EXPECT_TRUE(missingDir.Close().Ok());

    // The file is its only device: another name is simply not there.
    WavFileSink sink("/nonexistent-velorix-dir/named.wav");
    EXPECT_EQ(sink.Open("Virtual Audio Cable").error, AudioError::NotFound);
    EXPECT_EQ(sink.Description(), "WAV file /nonexistent-velorix-dir/named.wav");

    // A device is no file: refused before anything disappears into it.
    WavFileSink full("/dev/full");
    EXPECT_EQ(full.Open("").text, "Can't create /dev/full: a device, not a file");
}

TEST(WavFileSink, ADiskThatFillsKeepsAHeaderThatMatchesTheFile) {
    // A 64 kB file system of its own, where the test may mount one.
    const test::TempDir tmp{"full"};
    const std::filesystem::path dir = tmp.path();
    if (std::system(
            ("mount -t tmpfs -o size=64k tmpfs " + dir.string() + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "no tmpfs can be mounted here";
    }
    const std::string path = (dir / "out.wav").string();
    WavFileSink sink(path);
    ASSERT_TRUE(sink.Open("").Ok());
    std::vector<std::byte> block(2046);  // not a whole number of 4-byte frames
    AudioStatus w;
    int writes = 0;
    while (w.Ok() && writes++ < 1000)
        w = sink.Write(block.data(), block.size());
    EXPECT_EQ(w.text, "Can't write " + path + ": No space left on device");
    EXPECT_TRUE(sink.Close().Ok());  // the sizes are patched in place
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<std::uint8_t> bytes(1 << 17);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    auto le32 = [&](size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
               std::uint32_t(bytes[at + 3]) << 24;
    };
    ASSERT_GT(bytes.size(), 44u + 32768u);
    EXPECT_EQ(le32(40), bytes.size() - 44);  // data size: what the file holds
    EXPECT_EQ(le32(4), bytes.size() - 8);    // RIFF size
    EXPECT_EQ((bytes.size() - 44) % 4, 0u);  // whole frames only
    EXPECT_EQ(std::system(("umount " + dir.string()).c_str()), 0);
}

}  // namespace
}  // namespace velorix::test
