#include "ScaleBarWidget.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "DisplayFont.h"

namespace velorix {

ScaleBarWidget::ScaleBarWidget(int widthPx, ScaleBarHandler* handler, QWidget* parent)
    : QWidget(parent), handler_(handler) {
    setFixedSize(widthPx, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    // Smoothed: at 11 px the unsmoothed face draws its 0 like a D.
    QFont font = DisplayFont(0, 11);
    font.setStyleStrategy(QFont::PreferAntialias);
    setFont(font);
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
    const QFontMetrics metrics(font());
    const int clearX = labelsClearOfTunedLine_ ? state_->tunedX : 0;
    for (const ScaleTick& t : scale.Ticks()) {
        p.drawLine(t.x, 0, t.x, t.major ? h / 4 : h / 8);
        if (!t.major) continue;
        // A label goes under its tick only whole, and off the tuned line where
        // that must stay readable; its tick stays either way.
        const int w = metrics.horizontalAdvance(t.label);
        const QRect box(t.x - w / 2, h / 4, w, h - h / 4);
        if (box.left() < 0 || box.right() >= width()) continue;
        if (clearX > 0 && clearX >= box.left() - 1 && clearX <= box.right() + 1) continue;
        p.drawText(box, Qt::AlignHCenter | Qt::AlignTop, t.label);
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
