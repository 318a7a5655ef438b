// The built-in band streamed in real time at 500 kHz through the library: the
// blocks never come faster than the stream's rate, and none carries the
// overload mark. (Whether the band keeps pace is a matter of CPU: bench_band.)
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>

#include "TestEnv.h"
#include "UsbRig.h"
#include "WaitUntil.h"

namespace velorix::test {
namespace {

struct BandCollector {
    std::atomic<int> blocks{0};
    std::atomic<int> marked{0};
    int blockBytes = 0;
    static void Callback(unsigned char* block, void* user) {
        auto* self = static_cast<BandCollector*>(user);
        // The acquisition board's test on the first frame of each 1024-frame unit.
        for (int unit = 0; (unit + 1) * 6144 <= self->blockBytes; ++unit) {
            const unsigned char* f = block + unit * 6144;
            if ((f[0] & 1) != ((f[2] >> 7) & 1)) ++self->marked;
        }
        ++self->blocks;
    }
};

TEST(VirtualBandRealtime, BuiltInBandAt500kHzNeverRunsAheadOfTheClock) {
    VirtualRig::Options o;
    o.env = {{"VELORIX_SIM_SOURCE", "band"}};
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUpWithFpga(2), 0);
    const uint32_t word = uint32_t(std::llround(14150000.0 / 80e6 * 4294967296.0));
    const uint8_t run[5] = {0x03, uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                            uint8_t(word >> 24)};
    rig.usb().Sio(run, 5);
    BandCollector c;
    c.blockBytes = 4 * 16320;
    const int wanted = kSanitized ? 3 : 100;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(rig.usb().StartAsyncInput(c.blockBytes, &BandCollector::Callback, &c), 1);
    WaitUntil([&] { return c.blocks.load() >= wanted; });
    EXPECT_EQ(rig.usb().StopAsyncInput(), 1);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(c.marked.load(), 0);
    EXPECT_LE(c.blocks.load(), int(seconds * 500000.0 / (c.blockBytes / 6)) + 1);
}

}  // namespace
}  // namespace velorix::test
