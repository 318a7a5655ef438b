// The WAV file device: header image, data, sizes and its errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "WavFileSink.h"

namespace velorix::test {
namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("velorix_") + std::to_string(::getpid()) + "_" + name))
        .string();
}

// The canonical 44-byte PCM header for 2 x 16 bit at 31 250 Hz, written out
// by hand from the format's definition.
std::vector<uint8_t> ExpectedHeader(uint32_t dataBytes) {
    const uint32_t riff = 36 + dataBytes;
    std::vector<uint8_t> h = {'R',  'I',  'F',  'F',  0,   0,   0,  0, 'W', 'A',
                              'V',  'E',  'f',  'm',  't', ' ', 16, 0, 0,   0,  // fmt size
                              1,    0,    2,    0,                              // PCM, 2 channels
                              0x12, 0x7A, 0x00, 0x00,                           // 31250
                              0x48, 0xE8, 0x01, 0x00,                           // 125000 bytes/s
                              4,    0,    16,   0,                              // block align, bits
                              'd',  'a',  't',  'a',  0,   0,   0,  0};
    for (int i = 0; i < 4; ++i) {
        h[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
        h[40 + i] = static_cast<uint8_t>(dataBytes >> (8 * i));
    }
    return h;
}

TEST(WavFileSink, WritesAValidFileWithSizesPatchedAtClose) {
    const std::string path = TempPath("sink.wav");
    {
        WavFileSink sink(path);
        ASSERT_TRUE(sink.Open("").Ok());
        EXPECT_FALSE(sink.DropsWhenFull());
        EXPECT_TRUE(sink.Start().Ok());
        std::vector<std::byte> block(2048);
        for (int k = 0; k < 3; ++k) {
            for (size_t i = 0; i < block.size(); ++i)
                block[i] = static_cast<std::byte>((i * 7 + k) & 0xFF);
            ASSERT_TRUE(sink.Write(block.data(), block.size()).Ok());
        }
        EXPECT_EQ(sink.DataBytes(), 3u * 2048);
        ASSERT_TRUE(sink.Close().Ok());
        EXPECT_TRUE(sink.Close().Ok());  // twice is harmless
    }
    const auto file = ReadAll(path);
    ASSERT_EQ(file.size(), 44u + 3 * 2048);
    const auto header = ExpectedHeader(3 * 2048);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    for (int k = 0; k < 3; ++k)
        for (size_t i = 0; i < 2048; ++i)
            ASSERT_EQ(file[44 + k * 2048 + i], static_cast<uint8_t>((i * 7 + k) & 0xFF));
    std::remove(path.c_str());
}

TEST(WavFileSink, ReopeningStartsAFreshFile) {
    const std::string path = TempPath("again.wav");
    WavFileSink sink(path);
    std::vector<std::byte> block(2048, std::byte{1});
    ASSERT_TRUE(sink.Open("").Ok());
    ASSERT_TRUE(sink.Write(block.data(), block.size()).Ok());
    ASSERT_TRUE(sink.Write(block.data(), block.size()).Ok());
    ASSERT_TRUE(sink.Open("").Ok());  // closes the first one properly
    ASSERT_TRUE(sink.Write(block.data(), block.size()).Ok());
    ASSERT_TRUE(sink.Close().Ok());
    const auto file = ReadAll(path);
    ASSERT_EQ(file.size(), 44u + 2048);
    const auto header = ExpectedHeader(2048);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    std::remove(path.c_str());
}

TEST(WavFileSink, ErrorsNameTheFileAndTheCause) {
    WavFileSink missingDir("/nonexistent-velorix-dir/out.wav");
    const AudioStatus s = missingDir.Open("");
    EXPECT_EQ(s.error, AudioError::Other);
    EXPECT_EQ(s.text, "Can't create /nonexistent-velorix-dir/out.wav: No such file or directory");
    std::byte b[4]{};
    EXPECT_FALSE(missingDir.Write(b, 4).Ok());
    EXPECT_TRUE(missingDir.Close().Ok());

    // The file is its only device: another name is simply not there.
    WavFileSink sink(TempPath("named.wav"));
    EXPECT_EQ(sink.Open("Virtual Audio Cable").error, AudioError::NotFound);
    EXPECT_EQ(sink.Description(), "WAV file " + TempPath("named.wav"));

    // A full disk is reported, not passed off as written.
    if (std::filesystem::exists("/dev/full")) {
        WavFileSink full("/dev/full");
        const AudioStatus open = full.Open("");  // the header sits in stdio's buffer
        if (open.Ok()) {
            std::vector<std::byte> block(1 << 16);
            AudioStatus w;
            for (int i = 0; i < 4 && w.Ok(); ++i)
                w = full.Write(block.data(), block.size());
            const AudioStatus c = full.Close();
            EXPECT_TRUE(!w.Ok() || !c.Ok());
            const std::string text = w.Ok() ? c.text : w.text;
            EXPECT_NE(text.find("No space left on device"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace velorix::test
