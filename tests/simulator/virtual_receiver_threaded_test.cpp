// The device model with a reader blocked on it: unplug and abort end the read.
#include <gtest/gtest.h>

#include <future>

#include "VirtualDriver.h"

namespace velorix::sim {
namespace {

using namespace std::chrono_literals;

VirtualResult BlockedRead(VirtualReceiver& r, uint8_t endpoint, uint32_t generation,
                          std::chrono::milliseconds* took) {
    std::vector<uint8_t> buffer(60000);
    int got = 0;
    const auto start = VirtualReceiver::Clock::now();
    const VirtualResult s =
        r.BulkRead(generation, endpoint, buffer.data(), int(buffer.size()), 5000ms, &got);
    *took = std::chrono::duration_cast<std::chrono::milliseconds>(VirtualReceiver::Clock::now() -
                                                                  start);
    return s;
}

TEST(VirtualReceiverThreaded, UnplugAndAbortEndPendingReads) {
    VirtualReceiver r;
    test::RunFirmware(r);
    const uint32_t g = r.Generation();
    std::chrono::milliseconds took{};
    auto reply = std::async(std::launch::async, [&] { return BlockedRead(r, 0x81, g, &took); });
    std::this_thread::sleep_for(50ms);
    r.Abort(g, 0x81);
    EXPECT_EQ(reply.get(), VirtualResult::Aborted);
    EXPECT_LT(took.count(), 1000);

    // The run bit is off: a sample read would wait its whole time-out.
    auto samples = std::async(std::launch::async, [&] { return BlockedRead(r, 0x82, g, &took); });
    std::this_thread::sleep_for(50ms);
    r.Unplug();
    EXPECT_EQ(samples.get(), VirtualResult::NoDevice);
    EXPECT_LT(took.count(), 1000);
}

TEST(VirtualReceiverThreaded, CancelFlagEndsARead) {
    VirtualReceiver r;
    test::RunFirmware(r);
    std::atomic<bool> cancel{false};
    auto read = std::async(std::launch::async, [&] {
        uint8_t b[6];
        int got = 0;
        return r.BulkRead(r.Generation(), 0x82, b, 6, 5000ms, &got, &cancel);
    });
    std::this_thread::sleep_for(50ms);
    cancel = true;
    r.WakeReaders();
    EXPECT_EQ(read.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(read.get(), VirtualResult::Aborted);
}

}  // namespace
}  // namespace velorix::sim
