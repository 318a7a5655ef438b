#pragma once

#include <QImage>
#include <atomic>
#include <mutex>

namespace velorix {

// Hands finished pictures from a display thread to the widget: the renderer
// draws into the back image and publishes it, which swaps it with the front
// under a small mutex and raises the pending flag; the paint blits the front.
// Neither side waits for the other longer than a swap.
class FrameExchange {
public:
    FrameExchange(int widthPx, int heightPx);

    // The image the renderer draws into (renderer side, under its own lock).
    QImage& Back() { return back_; }
    // Makes the back image the front one.
    void Publish();
    // GUI thread: true once after each publish.
    bool TakePending() { return pending_.exchange(false); }
    bool Pending() const { return pending_.load(); }
    // Calls f(const QImage&) with the front image held.
    template <typename F>
    void WithFront(F&& f) const {
        std::lock_guard lock(mutex_);
        f(static_cast<const QImage&>(front_));
    }
    // A deep copy of the front image.
    QImage FrontCopy() const;

private:
    QImage back_;
    QImage front_;
    mutable std::mutex mutex_;
    std::atomic<bool> pending_{false};
};

}  // namespace velorix
