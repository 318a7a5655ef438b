#include "ScaleBarWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "DisplayFont.h"

namespace velorix {

ScaleBarWidget::ScaleBarWidget(SlideBarScale& scale, ScaleBarHandler* handler, QWidget* parent)
    : QWidget(parent), scale_(scale), handler_(handler) {
    setFixedSize(scale.Width(), kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    setFont(DisplayFont(0, 11));
}

void ScaleBarWidget::SetLines(PassbandPixels band, int tunedX) {
    // Always repainted: a retune in centre tuning moves the scale's ticks while
    // the band and the tuned line stay at their pixels.
    band_ = band;
    tunedX_ = tunedX;
    update();
}

void ScaleBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int h = height();
    p.fillRect(rect(), QColor(24, 24, 24));
    // The band and the tuned line merge with the background as the plot's do.
    if (band_.low <= band_.high && band_.high >= 0)
        p.fillRect(QRect(band_.low, 0, band_.high - band_.low + 1, h),
                   QColor(69 | 24, 69 | 24, 54 | 24));
    if (tunedX_ != 0) {
        p.setPen(QColor(255, 128 | 24, 24));
        p.drawLine(tunedX_, 0, tunedX_, h - 1);
    }
    if (scale_.PerBin() == 0.0) return;
    p.setPen(QColor(196, 156, 0));
    for (const ScaleTick& t : scale_.Ticks()) {
        p.drawLine(t.x, 0, t.x, t.major ? h / 4 : h / 8);
        if (t.major)
            p.drawText(QRect(t.x - 40, h / 4, 80, h - h / 4), Qt::AlignHCenter | Qt::AlignTop,
                       t.label);
    }
}

void ScaleBarWidget::mousePressEvent(QMouseEvent* e) {
    if (handler_ == nullptr || e->button() != Qt::LeftButton) return;
    dragging_ = true;
    lastX_ = e->position().toPoint().x();
    handler_->OnSlidePress();
}

void ScaleBarWidget::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    const int x = e->position().toPoint().x();
    const int dx = x - lastX_;
    lastX_ = x;
    if (dx != 0) {
        handler_->OnSlideMove(dx);
        update();
    }
}

void ScaleBarWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    handler_->OnSlideRelease();
}

}  // namespace velorix
