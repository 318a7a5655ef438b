// The WAV file device's errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

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
