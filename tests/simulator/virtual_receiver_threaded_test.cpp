// The device model with a reader blocked on it: unplug and abort end the read.
#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "VirtualDriver.h"

namespace velorix::sim {
namespace {

using namespace std::chrono_literals;

// A read that only an abort, an unplug or its cancel flag can end: its own
// time-out is an hour, so it cannot end by the clock on a loaded machine.
VirtualResult BlockedRead(VirtualReceiver& r, uint8_t endpoint, uint32_t generation,
                          const std::atomic<bool>* cancel = nullptr) {
    std::vector<uint8_t> buffer(60000);
    int got = 0;
    return r.BulkRead(generation, endpoint, buffer.data(), int(buffer.size()), 1h, &got, cancel);
}

TEST(VirtualReceiverThreaded, UnplugAndAbortEndPendingReads) {
    VirtualReceiver r;
    test::RunFirmware(r);
    const uint32_t g = r.Generation();
    auto reply = std::async(std::launch::async, [&] { return BlockedRead(r, 0x81, g); });
    // An abort ends the reads pending at that moment: repeated until the read
    // has begun and ended.
    while (reply.wait_for(1ms) != std::future_status::ready)
        r.Abort(g, 0x81);
    EXPECT_EQ(reply.get(), VirtualResult::Aborted);

    // The run bit is off: a sample read would wait its whole time-out.
    auto samples = std::async(std::launch::async, [&] { return BlockedRead(r, 0x82, g); });
    r.Unplug();
    EXPECT_EQ(samples.get(), VirtualResult::NoDevice);
}

TEST(VirtualReceiverThreaded, CancelFlagEndsARead) {
    VirtualReceiver r;
    test::RunFirmware(r);
    std::atomic<bool> cancel{false};
    auto read = std::async(std::launch::async,
                           [&] { return BlockedRead(r, 0x82, r.Generation(), &cancel); });
    cancel = true;
    r.WakeReaders();
    EXPECT_EQ(read.get(), VirtualResult::Aborted);
}

}  // namespace
}  // namespace velorix::sim
