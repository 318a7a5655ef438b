#include "PlotWidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

namespace velorix {

std::int64_t MonotonicMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

PlotWidget::PlotWidget(FrameExchange& frames, std::function<void()> ready, PlotHandler& handler,
                       QWidget* parent)
    : QWidget(parent),
      frames_(frames),
      ready_(std::move(ready)),
      handler_(handler),
      press_(MonotonicMs, QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
    const QSize size = frames.Back().size();
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    frames_.RequestRatio(PlotRatio(devicePixelRatioF()));
    frames_.OnPublish([this] {
        QMetaObject::invokeMethod(this, &PlotWidget::FramePublished, Qt::QueuedConnection);
    });
    // A held press is delivered when the double-click interval has passed.
    pressTimer_.setSingleShot(true);
    connect(&pressTimer_, &QTimer::timeout, this, [this] { Deliver(press_.Poll()); });
}

void PlotWidget::FramePublished() {
    RowSpan rows;
    if (!frames_.TakePending(rows)) return;
    // Only the rows that changed are copied to the screen; a frame that
    // changed nothing, or that no paint will show, needs no paint to be taken.
    if (!isVisible() || rows.Empty()) {
        ready_();
        return;
    }
    framePainted_ = false;
    update(0, rows.top, width(), rows.bottom - rows.top + 1);
}

QRect PlotWidget::MarkedRect(const PointerMarks& m) const {
    QRect r;
    const auto column = [this](int x) { return QRect(x, 0, 1, height()); };
    if (m.cursorX > 0) r |= column(m.cursorX);
    if (m.hoverBand) {
        r |= QRect(m.band.low, 0, m.band.high - m.band.low + 1, height());
        if (m.tunedX > 0) r |= column(m.tunedX);
    }
    return r & rect();
}

void PlotWidget::SetMarks(const PointerMarks& marks) {
    if (marks == marks_) return;
    update(MarkedRect(marks_) | MarkedRect(marks));
    marks_ = marks;
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    // On a screen of another ratio (a window moved to it) the renderer draws
    // for that one; till then the frame is scaled.
    const double ratio = PlotRatio(devicePixelRatioF());
    if (ratio != frames_.RequestedRatio()) frames_.RequestRatio(ratio);
    frames_.WithFront([&](const QImage& front) {
        const DevicePixels dp(front);
        p.drawImage(r, front, dp.Of(r));
        // The marks over the columns they touch, merged as the background's
        // lines are.
        const QRect marked = MarkedRect(marks_) & r;
        if (marked.isEmpty()) return;
        const QRect device = dp.Of(marked);
        QImage columns = front.copy(device);
        DrawPointerMarks(columns, device.left(), marks_);
        p.drawImage(marked, columns);
    });
    if (!framePainted_) {
        framePainted_ = true;
        ready_();
    }
}

void PlotWidget::Deliver(const PlotEvents& events) {
    for (int i = 0; i < events.count; ++i)
        handler_.OnPlotEvent(events.at[i]);
    if (press_.Pending() && !pressTimer_.isActive())
        pressTimer_.start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}

void PlotWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        Deliver(press_.Press(static_cast<int>(e->modifiers()), at.x(), at.y()));
    else if (e->button() == Qt::RightButton)
        handler_.OnRightPress(at.x(), at.y());
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        Deliver(press_.DoubleClick(static_cast<int>(e->modifiers()), at.x(), at.y()));
}

void PlotWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    Deliver(press_.Move(static_cast<int>(e->modifiers()), at.x(), at.y()));
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        Deliver(press_.Release(static_cast<int>(e->modifiers()), at.x(), at.y()));
    else if (e->button() == Qt::RightButton)
        handler_.OnRightRelease(at.x(), at.y());
}

void PlotWidget::wheelEvent(QWheelEvent* e) {
    handler_.OnWheel(e->angleDelta().y());
    e->accept();
}

void PlotWidget::leaveEvent(QEvent*) {
    handler_.OnLeave();
}

}  // namespace velorix
