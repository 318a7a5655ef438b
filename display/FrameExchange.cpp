#include "FrameExchange.h"

#include "PlotLayers.h"

namespace velorix {

FrameExchange::FrameExchange(int widthPx, int heightPx)
    : widthPx_(widthPx),
      heightPx_(heightPx),
      back_(widthPx, heightPx, QImage::Format_RGB32),
      front_(widthPx, heightPx, QImage::Format_RGB32) {
    back_.fill(Qt::black);
    front_.fill(Qt::black);
}

void FrameExchange::SetRatio(double ratio) {
    const DevicePixels dp(ratio);
    QImage fresh(dp.Begin(widthPx_), dp.Begin(heightPx_), QImage::Format_RGB32);
    fresh.setDevicePixelRatio(ratio);
    fresh.fill(Qt::black);
    back_ = fresh.copy();
    back_.setDevicePixelRatio(ratio);
    std::lock_guard lock(mutex_);
    front_ = fresh;
}

void FrameExchange::Publish() {
    Publish({0, heightPx_ - 1});
}

void FrameExchange::Publish(RowSpan changed) {
    {
        std::lock_guard lock(mutex_);
        back_.swap(front_);
        changed_ = changed_.Union(changed);
        pending_.store(true);
    }
    if (published_) published_();
}

bool FrameExchange::TakePending(RowSpan& changed) {
    changed = {};
    if (!pending_.load()) return false;
    std::lock_guard lock(mutex_);
    if (!pending_.exchange(false)) return false;
    changed = changed_;
    changed_ = {};
    return true;
}

QImage FrameExchange::FrontCopy() const {
    std::lock_guard lock(mutex_);
    return front_.copy();
}

}  // namespace velorix
