#include "VerticalSlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace velorix {

VerticalSlider::VerticalSlider(const QImage& track, const QImage& thumb, QPoint pos,
                               int notification, QWidget* parent)
    : BitmapPanel(track, pos, parent),
      thumb_(thumb),
      n_(notification),
      range_(track.height() - thumb.height()) {
    if (thumb.height() >= track.height() || thumb.isNull())
        throw std::invalid_argument("slider " + std::to_string(notification) + ": a thumb of " +
                                    std::to_string(thumb.height()) +
                                    " px must be shorter than its track of " +
                                    std::to_string(track.height()) + " px");
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

void VerticalSlider::PaintOver(QPainter& painter) {
    // A disabled slider's thumb is faded into its track.
    if (!enabled_) painter.setOpacity(0.4);
    painter.drawImage(0, p_, thumb_);
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
    grab_ = y >= p_ && y <= p_ + thumb_.height();
    if (!grab_) MoveTo(y - thumb_.height() / 2);
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
        MoveTo(y - thumb_.height() / 2);
    }
}

void VerticalSlider::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) held_ = grab_ = false;
}

}  // namespace velorix
