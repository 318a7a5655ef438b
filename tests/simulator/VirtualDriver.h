#pragma once

#include <algorithm>
#include <thread>
#include <vector>

#include "VirtualBitstream.h"
#include "VirtualReceiver.h"

namespace velorix::sim::test {

// Drives the device model as the host library would, without the library.
inline VirtualResult LoadImage(VirtualReceiver& r, const std::vector<uint8_t>& image) {
    const uint32_t g = r.Generation();
    const uint8_t hold = 1, run = 0;
    VirtualResult s = r.Control(g, 0x40, 0xA0, 0xE600, 0, &hold, 1);
    for (size_t at = 0; at < image.size() && s == VirtualResult::Ok; at += 16) {
        const size_t n = std::min<size_t>(16, image.size() - at);
        s = r.Control(g, 0x40, 0xA0, uint16_t(at), 0, image.data() + at, uint16_t(n));
    }
    if (s == VirtualResult::Ok) s = r.Control(g, 0x40, 0xA0, 0xE600, 0, &run, 1);
    return s;
}

// Loads the default firmware and lets the re-enumeration happen.
inline void RunFirmware(VirtualReceiver& r) {
    LoadImage(r, virtual_firmware::Build(DefaultFirmwareIdentity(), 200));
    r.Poll(VirtualReceiver::Clock::now() + std::chrono::seconds(1));
}

inline VirtualResult Command(VirtualReceiver& r, std::vector<uint8_t> frame) {
    int sent = 0;
    return r.BulkWrite(r.Generation(), 0x01, frame.data(), int(frame.size()), &sent);
}

// A read submitted and reaped as a host does, sleeping until it is due;
// Timeout (the read cancelled) when it is not complete within `timeout`.
inline VirtualReceiver::Completion Read(VirtualReceiver& r, uint8_t endpoint, uint8_t* data,
                                        int length, std::chrono::milliseconds timeout) {
    using Clock = VirtualReceiver::Clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    const VirtualReceiver::TransferId id = r.SubmitRead(r.Generation(), endpoint, data, length);
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (const auto done = r.Reap(id, now)) return *done;
        if (now >= deadline) {
            r.Cancel(id);
            r.Reap(id, now);
            return {VirtualResult::Timeout, 0};
        }
        const auto due = r.NextCompletion(now);
        std::this_thread::sleep_until(due ? std::min(*due, deadline) : deadline);
    }
}

inline std::vector<uint8_t> Reply(VirtualReceiver& r, int length) {
    std::vector<uint8_t> reply(size_t(length), 0);
    reply.resize(
        size_t(Read(r, 0x81, reply.data(), length, std::chrono::milliseconds(50)).transferred));
    return reply;
}

inline uint8_t ReverseBits(uint8_t b) {
    uint8_t x = 0;
    for (int i = 0; i < 8; ++i)
        x = uint8_t(x << 1 | ((b >> i) & 1));
    return x;
}

// Sends `image` as configuration frames (bit-reversed unless `raw`); the end reply's status.
inline int Configure(VirtualReceiver& r, const std::vector<uint8_t>& image, bool raw = false) {
    Command(r, {0x01});
    for (size_t at = 0; at < image.size(); at += 63) {
        std::vector<uint8_t> frame = {0x00};
        for (size_t i = at; i < std::min(image.size(), at + 63); ++i)
            frame.push_back(raw ? image[i] : ReverseBits(image[i]));
        Command(r, frame);
    }
    Command(r, {0x02});
    const std::vector<uint8_t> reply = Reply(r, 2);
    return reply.size() == 2 ? reply[1] : -1;
}

}  // namespace velorix::sim::test
