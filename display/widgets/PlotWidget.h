#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

#include "DeferredPress.h"
#include "FrameExchange.h"

namespace velorix {

// The displays' monotonic clock, milliseconds (the default for their timers'
// injected clocks).
std::int64_t MonotonicMs();

// What a plot hands to its display.
class PlotHandler {
public:
    virtual ~PlotHandler() = default;
    virtual void OnPlotEvent(const PlotEvent& event) = 0;
    virtual void OnRightPress(int x, int y) = 0;
    virtual void OnRightRelease(int x, int y) = 0;
    virtual void OnWheel(int delta) = 0;
    virtual void OnLeave() = 0;
};

// A plot window: it blits the front image of its frame exchange and nothing
// else. A frame timer (at most 30 Hz) repaints when a frame is pending;
// each paint, and each tick while the plot is hidden, tells the renderer
// it may draw the next one. Left presses are held back by the deferred-press
// rule so a double click never tunes twice.
class PlotWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 34;  // just under 30 frames a second

    PlotWidget(FrameExchange& frames, std::function<void()> painted, PlotHandler& handler,
               QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Deliver(const PlotEvents& events);
    void Tick();

    FrameExchange& frames_;
    std::function<void()> painted_;
    PlotHandler& handler_;
    DeferredPress press_;
    QTimer frameTimer_;
};

}  // namespace velorix
