#include "DeferredPress.h"

#include <utility>

namespace velorix {

DeferredPress::DeferredPress(Clock clockMs, int intervalMs)
    : clock_(std::move(clockMs)), intervalMs_(intervalMs) {}

PlotEvents DeferredPress::Press(int flags, int x, int y) {
    captured_ = true;
    pending_ = true;
    doubleClick_ = false;
    deadlineMs_ = clock_() + intervalMs_;
    saved_ = {PlotEventKind::Press, flags, x, y};
    return {};
}

PlotEvents DeferredPress::Poll() {
    PlotEvents out;
    if (!pending_ || clock_() < deadlineMs_) return out;
    pending_ = false;
    doubleClick_ = false;
    if (captured_) out.Add(PlotEventKind::Press, saved_.flags, saved_.x, saved_.y);
    return out;
}

PlotEvents DeferredPress::DoubleClick(int flags, int x, int y) {
    PlotEvents out;
    pending_ = false;
    doubleClick_ = true;
    out.Add(PlotEventKind::DoubleClick, flags, x, y);
    return out;
}

PlotEvents DeferredPress::Move(int flags, int x, int y) {
    PlotEvents out;
    if (pending_) {
        pending_ = false;
        doubleClick_ = false;
        if (captured_) out.Add(PlotEventKind::Press, saved_.flags, saved_.x, saved_.y);
    }
    out.Add(PlotEventKind::Move, flags, x, y);
    return out;
}

PlotEvents DeferredPress::Release(int flags, int x, int y) {
    PlotEvents out;
    captured_ = false;
    if (!pending_ && !doubleClick_) out.Add(PlotEventKind::Release, flags, x, y);
    return out;
}

}  // namespace velorix
