// Ten seconds of asynchronous input at each output rate, with the block sizes
// the program uses: no frame lost or repeated, in the Release tree. Shortened
// under the sanitizers, where only the blocks' integrity is checked.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "BlockCollector.h"
#include "TestEnv.h"
#include "UsbRig.h"

namespace velorix::test {
namespace {

void StreamAndCheck(int rateIndex) {
    const int rateKHz = 125 << rateIndex;
    const int blockBytes = (rateKHz / 125) * 16320;
    const double seconds = StreamSeconds(10.0, 1.5);

    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUpWithFpga(rateIndex), 0);
    BlockCollector c(blockBytes);
    const uint8_t run[5] = {0x03, 0, 0, 0, 0};
    rig.usb().Sio(run, 5);
    ASSERT_EQ(rig.usb().StartAsyncInput(blockBytes, &BlockCollector::Callback, &c), 1);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    EXPECT_EQ(rig.usb().StopAsyncInput(), 1);

    EXPECT_EQ(c.Broken(), 0);
    const double expected = seconds * rateKHz * 1000.0 / c.Frames();
    ASSERT_GT(c.Blocks(), 0);
    if (kSanitized) return;
    // Every block follows the one before it, from frame 0 on.
    EXPECT_EQ(c.Firsts().front(), 0u);
    const std::vector<uint32_t> steps = c.Steps();
    int wrong = 0;
    for (uint32_t s : steps)
        wrong += s != uint32_t(c.Frames());
    EXPECT_EQ(wrong, 0);
    // Paced in real time: the blocks of the stream's duration, less those still in
    // flight when a busy machine delays the reader (the FIFO keeps them, so none is lost).
    EXPECT_GE(c.Blocks(), int(expected * 0.9) - 1);
    EXPECT_LE(c.Blocks(), int(expected) + 1);
}

TEST(AsyncInputRealtime, Stream125kHz) {
    StreamAndCheck(0);
}
TEST(AsyncInputRealtime, Stream250kHz) {
    StreamAndCheck(1);
}
TEST(AsyncInputRealtime, Stream500kHz) {
    StreamAndCheck(2);
}

}  // namespace
}  // namespace velorix::test
