#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "AudioSink.h"

namespace velorix {

// Discards the stream, but takes it at the real-time rate from the
// monotonic clock, so buffers are reported played as a sound card would
// play them. For headless use without sound, and as the stand-in when a
// device fails while streaming.
class NullAudioSink : public AudioSink {
public:
    static constexpr const char* kDescription = "Null Output";

    AudioStatus Open(const std::string& nameSubstring) override;
    AudioStatus Start() override;
    // Returns when the buffer's playing time has passed.
    AudioStatus Write(const std::byte* data, size_t bytes) override;
    void Interrupt() override;
    AudioStatus Close() override;
    bool DropsWhenFull() const override { return true; }
    std::string Description() const override { return kDescription; }

private:
    using Clock = std::chrono::steady_clock;

    std::mutex mutex_;
    std::condition_variable cv_;
    Clock::time_point next_{};  // when the buffers written so far have played
    bool interrupted_ = false;
};

}  // namespace velorix
