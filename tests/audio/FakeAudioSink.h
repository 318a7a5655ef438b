#pragma once

#include <sched.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioSink.h"
#include "DspBuffer.h"
#include "DspTypes.h"

namespace velorix::test {

// An audio device under the test's control: records every buffer written,
// can hold writes at a gate (a device that plays nothing), and can fail
// Open, Start or the n-th Write with a given status.
class FakeAudioSink : public AudioSink {
public:
    explicit FakeAudioSink(bool dropsWhenFull = true) : drops_(dropsWhenFull) {}

    AudioStatus Open(const std::string& nameSubstring) override {
        std::lock_guard lock(mutex_);
        openedWith = nameSubstring;
        if (!DeviceMatches("Fake Device", nameSubstring))
            return AudioStatus::Fail(AudioError::NotFound, {});
        return openStatus;
    }
    AudioStatus Start() override {
        std::lock_guard lock(mutex_);
        ++starts;
        return startStatus;
    }
    AudioStatus Write(const std::byte* data, size_t bytes) override {
        std::unique_lock lock(mutex_);
        writerThread = std::this_thread::get_id();
        writerPolicy = sched_getscheduler(0);
        cv_.wait(lock, [this] { return gateOpen_ || interrupted_; });
        ++writeCalls;
        if (failFromWrite > 0 && writeCalls >= failFromWrite) return writeStatus;
        written.emplace_back(data, data + bytes);
        cv_.notify_all();
        return AudioStatus::Success();
    }
    void Interrupt() override {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        cv_.notify_all();
    }
    AudioStatus Close() override {
        std::lock_guard lock(mutex_);
        ++closes;
        return AudioStatus::Success();
    }
    bool DropsWhenFull() const override { return drops_; }
    std::string Description() const override { return "Fake Device"; }

    void SetGate(bool open) {
        std::lock_guard lock(mutex_);
        gateOpen_ = open;
        cv_.notify_all();
    }
    // Waits until `count` buffers were written, however long that takes.
    void WaitWritten(size_t count) {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return written.size() >= count; });
    }
    std::vector<std::vector<std::byte>> Written() {
        std::lock_guard lock(mutex_);
        return written;
    }

    // Set before Open; read under the sink's lock.
    AudioStatus openStatus;
    AudioStatus startStatus;
    AudioStatus writeStatus;
    int failFromWrite = 0;  // 0: writes never fail; n: the n-th and later fail

    std::mutex mutex_;
    std::string openedWith;
    int starts = 0;
    int closes = 0;
    int writeCalls = 0;
    std::thread::id writerThread;
    int writerPolicy = -1;  // the writer thread's scheduling policy
    std::vector<std::vector<std::byte>> written;

private:
    std::condition_variable cv_;
    const bool drops_;
    bool gateOpen_ = true;
    bool interrupted_ = false;
};

// Fills the input buffer of `out` with 512 frames whose left samples are
// `tag` and right samples -`tag`, and delivers it as the volume block does.
template <typename WaveOut>
void PushBlock(WaveOut& out, int16_t tag) {
    CDspBuffer& b = out.Buffer();
    auto* f = reinterpret_cast<StereoFrame*>(b.AdvanceWrite(b.FreeSpace(b.Capacity())));
    for (int i = 0; i < b.Capacity(); ++i)
        f[i] = {tag, static_cast<int16_t>(-tag)};
    out.BufferFull();
}

// True when every frame of a written buffer carries `tag` (0: silence).
inline bool BufferIsTag(const std::vector<std::byte>& buf, int16_t tag) {
    if (buf.size() != static_cast<size_t>(kAudioBufferBytes)) return false;
    for (size_t i = 0; i < buf.size(); i += 4) {
        StereoFrame f;
        std::memcpy(&f, &buf[i], 4);
        if (f.left != tag || f.right != static_cast<int16_t>(-tag)) return false;
    }
    return true;
}

}  // namespace velorix::test
