#include "PlotWidget.h"

#include <QApplication>
#include <QElapsedTimer>
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

PlotWidget::PlotWidget(FrameExchange& frames, std::function<void()> painted, PlotHandler& handler,
                       QWidget* parent)
    : QWidget(parent),
      frames_(frames),
      painted_(std::move(painted)),
      handler_(handler),
      press_(MonotonicMs, QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
    const QSize size = frames.Back().size();
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    connect(&frameTimer_, &QTimer::timeout, this, &PlotWidget::Tick);
    frameTimer_.start(kFrameIntervalMs);
}

void PlotWidget::Tick() {
    if (press_.Pending()) Deliver(press_.Poll());
    RowSpan rows;
    if (!isVisible()) {
        // No paint comes while hidden: the display keeps its pace regardless.
        frames_.TakePending(rows);
        painted_();
    } else if (frames_.TakePending(rows)) {
        // Only the rows that changed are copied to the screen; a frame that
        // changed nothing needs no paint to be taken.
        if (rows.Empty())
            painted_();
        else
            update(0, rows.top, width(), rows.bottom - rows.top + 1);
    }
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    frames_.WithFront([&p, &r](const QImage& front) { p.drawImage(r.topLeft(), front, r); });
    painted_();
}

void PlotWidget::Deliver(const PlotEvents& events) {
    for (int i = 0; i < events.count; ++i)
        handler_.OnPlotEvent(events.at[i]);
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
