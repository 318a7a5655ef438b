#include "ScaleBarWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "DisplayFont.h"

namespace velorix {

ScaleBarWidget::ScaleBarWidget(int widthPx, ScaleBarHandler* handler, QWidget* parent)
    : QWidget(parent), handler_(handler) {
    setFixedSize(widthPx, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    setFont(DisplayFont(0, 11));
}

void ScaleBarWidget::Show(std::shared_ptr<const DisplayState> state) {
    state_ = std::move(state);
    update();
}

void ScaleBarWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int h = height();
    p.fillRect(rect(), QColor(24, 24, 24));
    if (!state_) return;
    // The band and the tuned line merge with the background as the plot's do.
    const PassbandPixels band = state_->band;
    if (band.low <= band.high && band.high >= 0)
        p.fillRect(QRect(band.low, 0, band.high - band.low + 1, h),
                   QColor(69 | 24, 69 | 24, 54 | 24));
    if (state_->tunedX != 0) {
        p.setPen(QColor(255, 128 | 24, 24));
        p.drawLine(state_->tunedX, 0, state_->tunedX, h - 1);
    }
    const SlideBarScale& scale = state_->geometry.Scale();
    if (scale.PerBin() == 0.0) return;
    p.setPen(QColor(196, 156, 0));
    for (const ScaleTick& t : scale.Ticks()) {
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
    if (dx != 0) handler_->OnSlideMove(dx);
}

void ScaleBarWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    handler_->OnSlideRelease();
}

}  // namespace velorix
