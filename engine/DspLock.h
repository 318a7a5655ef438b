#pragma once

#include <mutex>

namespace velorix {

// The lock of one chain segment. The thread that streams through the
// segment holds it while it delivers a block; the user-interface thread
// takes it around re-routing and coefficient changes.
class CDspLock {
public:
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

    // BasicLockable, so std::lock_guard and std::scoped_lock work.
    void lock() { Lock(); }
    void unlock() { Unlock(); }

private:
    std::mutex mutex_;
};

// Holds a possibly null segment lock for a scope.
class DspLockGuard {
public:
    explicit DspLockGuard(CDspLock* lock) : lock_(lock) {
        if (lock_) lock_->Lock();
    }
    ~DspLockGuard() {
        if (lock_) lock_->Unlock();
    }
    DspLockGuard(const DspLockGuard&) = delete;
    DspLockGuard& operator=(const DspLockGuard&) = delete;

private:
    CDspLock* lock_;
};

}  // namespace velorix
