#include "NullAudioSink.h"

namespace velorix {

namespace {
// A writer later than this behind the clock has let the "device" run dry;
// playing then starts afresh instead of rushing to catch up.
constexpr std::chrono::milliseconds kUnderrunSlack{50};
}  // namespace

AudioStatus NullAudioSink::Open(const std::string& nameSubstring) {
    if (!DeviceMatches(kDescription, nameSubstring))
        return AudioStatus::Fail(AudioError::NotFound, {});
    std::lock_guard lock(mutex_);
    interrupted_ = false;
    next_ = Clock::now();
    return AudioStatus::Success();
}

AudioStatus NullAudioSink::Start() {
    std::lock_guard lock(mutex_);
    next_ = Clock::now();
    return AudioStatus::Success();
}

AudioStatus NullAudioSink::Write(const std::byte*, size_t bytes) {
    const auto frames = static_cast<int64_t>(bytes / kAudioBytesPerFrame);
    const auto playing = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / kAudioRateHz));
    std::unique_lock lock(mutex_);
    const auto now = Clock::now();
    if (now - next_ > kUnderrunSlack) next_ = now;
    next_ += playing;
    cv_.wait_until(lock, next_, [this] { return interrupted_; });
    return AudioStatus::Success();
}

void NullAudioSink::Interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
    }
    cv_.notify_all();
}

AudioStatus NullAudioSink::Close() {
    return AudioStatus::Success();
}

}  // namespace velorix
