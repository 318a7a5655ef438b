#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velorix {

// A signalled/non-signalled event. An auto-reset event releases one waiter
// and returns to non-signalled; a manual-reset event stays signalled until
// Reset. Safe to call from any thread.
class Event {
public:
    enum class Reset { Auto, Manual };

    explicit Event(Reset mode = Reset::Auto, bool signalled = false)
        : manual_(mode == Reset::Manual), signalled_(signalled) {}

    void Set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        if (manual_)
            cv_.notify_all();
        else
            cv_.notify_one();
    }

    void ResetEvent() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }

    // Waits without limit.
    void Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return signalled_; });
        if (!manual_) signalled_ = false;
    }

    // Waits at most `timeout`; true when the event was signalled.
    template <typename Rep, typename Period>
    bool WaitFor(std::chrono::duration<Rep, Period> timeout) {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, timeout, [this] { return signalled_; })) return false;
        if (!manual_) signalled_ = false;
        return true;
    }

    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return signalled_;
    }

private:
    const bool manual_;
    bool signalled_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
};

}  // namespace velorix
