#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "DeferredPress.h"
#include "FrameExchange.h"
#include "PlotLayers.h"

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

// A plot window: it blits the front image of its frame exchange and paints
// the pointer's marks over it, and nothing else: a mouse move costs one
// repaint of the columns it changes, never a render. Each published frame is
// painted as soon as it comes; the renderer, paced to the frame interval
// (at most 30 frames a second), may draw the next one once the paint is
// done, or straight away while the plot is hidden. Left presses
// are held back by the deferred-press rule so a double click never tunes
// twice.
class PlotWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameIntervalMs = 34;  // just under 30 frames a second

    // `ready` tells the renderer it may draw the next frame.
    PlotWidget(FrameExchange& frames, std::function<void()> ready, PlotHandler& handler,
               QWidget* parent = nullptr);

    void SetMarks(const PointerMarks& marks);
    const PointerMarks& Marks() const { return marks_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // A frame was published (queued from the display thread).
    void FramePublished();
    void Deliver(const PlotEvents& events);
    // The columns the marks touch.
    QRect MarkedRect(const PointerMarks& marks) const;

    FrameExchange& frames_;
    std::function<void()> ready_;
    PlotHandler& handler_;
    DeferredPress press_;
    QTimer pressTimer_;
    PointerMarks marks_;
    bool framePainted_ = true;  // the last published frame has been painted
};

}  // namespace velorix
