#include "VerticalSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "Skin.h"

namespace velorix {

VerticalSlider::VerticalSlider(std::string track, std::string thumb, QPoint pos, int notification,
                               QWidget* parent)
    : BitmapPanel(std::move(track), pos, parent),
      thumb_(std::move(thumb)),
      thumbHeight_(skin::Skin::Shared().Size(thumb_).height()),
      n_(notification),
      range_(height() - thumbHeight_) {
    if (range_ <= 0)
        throw std::invalid_argument("slider " + std::to_string(notification) + ": a thumb of " +
                                    std::to_string(thumbHeight_) +
                                    " px must be shorter than its track of " +
                                    std::to_string(height()) + " px");
}

void VerticalSlider::SetValueRange(double bottom, double top) {
    top_ = top;
    perPixel_ = (bottom - top) / range_;
}

void VerticalSlider::SetValue(double value) {
    int p = 0;
    if (perPixel_ != 0.0) {
        const double raw = std::trunc((value - top_) / perPixel_);
        p = static_cast<int>(std::clamp(raw, 0.0, static_cast<double>(range_)));
    }
    if (p == p_) return;
    p_ = p;
    Redraw();
}

void VerticalSlider::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Redraw();
}

void VerticalSlider::PaintOver(QPainter& painter) const {
    // A disabled slider's thumb is faded into its track.
    if (!enabled_) painter.setOpacity(0.4);
    const double ratio = painter.device()->devicePixelRatioF();
    painter.drawImage(0, p_, skin::Skin::Shared(ratio).Face(thumb_));
}

void VerticalSlider::MoveTo(int p) {
    p = std::clamp(p, 0, range_);
    if (p == p_) return;
    p_ = p;
    emit moved(n_, p_);
    Redraw();
}

void VerticalSlider::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    held_ = true;
    const int y = event->position().toPoint().y();
    lastY_ = y;
    if (!enabled_) return;
    grab_ = y >= p_ && y <= p_ + thumbHeight_;
    if (!grab_) MoveTo(y - thumbHeight_ / 2);
}

void VerticalSlider::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const int y = event->position().toPoint().y();
    if (!held_ || !enabled_) {
        lastY_ = y;
        return;
    }
    if (grab_) {
        const int p = p_ + (y - lastY_);
        lastY_ = y;
        MoveTo(p);
    } else {
        MoveTo(y - thumbHeight_ / 2);
    }
}

void VerticalSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) held_ = grab_ = false;
}

}  // namespace velorix
