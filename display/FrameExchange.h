#pragma once

#include <QImage>
#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>

namespace velorix {

// Rows top … bottom of a picture, in window pixels; empty when bottom < top.
struct RowSpan {
    int top = 0;
    int bottom = -1;
    bool Empty() const { return bottom < top; }
    RowSpan Union(const RowSpan& o) const {
        if (Empty()) return o;
        if (o.Empty()) return *this;
        return {std::min(top, o.top), std::max(bottom, o.bottom)};
    }
    bool operator==(const RowSpan&) const = default;
};

// Hands finished pictures from a display thread to the widget: the renderer
// draws into the back image and publishes it, which swaps it with the front
// under a small mutex, raises the pending flag and tells the widget; the
// paint blits the front. Neither side waits for the other longer than a swap.
class FrameExchange {
public:
    FrameExchange(int widthPx, int heightPx);

    // Called on the display thread after each publish (the widget queues its
    // paint); set before the display thread runs.
    void OnPublish(std::function<void()> published) { published_ = std::move(published); }

    // The image the renderer draws into (renderer side, under its own lock).
    QImage& Back() { return back_; }

    // The device pixel ratio the widget's screen asks for (any thread).
    void RequestRatio(double ratio) { requestedRatio_.store(ratio); }
    double RequestedRatio() const { return requestedRatio_.load(); }
    // Renderer side: both pictures again, black, at `ratio` device pixels
    // per window pixel, keeping their size in window pixels.
    void SetRatio(double ratio);
    // Makes the back image the front one. `changed` holds the rows that
    // differ from the frame published before it (all rows by default).
    void Publish();
    void Publish(RowSpan changed);
    // GUI thread: true once after each publish, with the rows changed by the
    // frames published since the last take (a paint need copy no more; empty
    // when they changed nothing).
    bool TakePending(RowSpan& changed);
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
    const int widthPx_;
    const int heightPx_;
    QImage back_;
    QImage front_;
    std::atomic<double> requestedRatio_{1.0};
    mutable std::mutex mutex_;
    RowSpan changed_;  // under mutex_
    std::atomic<bool> pending_{false};
    std::function<void()> published_;
};

}  // namespace velorix
