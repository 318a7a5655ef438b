#include "FrameExchange.h"

namespace velorix {

FrameExchange::FrameExchange(int widthPx, int heightPx)
    : back_(widthPx, heightPx, QImage::Format_RGB32),
      front_(widthPx, heightPx, QImage::Format_RGB32) {
    back_.fill(Qt::black);
    front_.fill(Qt::black);
}

void FrameExchange::Publish() {
    {
        std::lock_guard lock(mutex_);
        back_.swap(front_);
    }
    pending_.store(true);
}

QImage FrameExchange::FrontCopy() const {
    std::lock_guard lock(mutex_);
    return front_.copy();
}

}  // namespace velorix
