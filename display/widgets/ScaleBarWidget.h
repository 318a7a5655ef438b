#pragma once

#include <QWidget>

#include "DisplayGeometry.h"
#include "SlideBarScale.h"

namespace velorix {

// What the slide bar hands to its display.
class ScaleBarHandler {
public:
    virtual ~ScaleBarHandler() = default;
    virtual void OnSlidePress() = 0;
    // The bar was dragged by dx pixels (the picture follows the mouse).
    virtual void OnSlideMove(int dx) = 0;
    virtual void OnSlideRelease() = 0;
};

// The frequency scale under a plot, 20 pixels high: the passband band, the
// tuned line, and the ticks and labels of its scale. Without a handler (the
// secondary display's) it takes no mouse input.
class ScaleBarWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;

    ScaleBarWidget(SlideBarScale& scale, ScaleBarHandler* handler, QWidget* parent = nullptr);
    // Band and tuned line as the plot shows them (a tuned line at 0 is not
    // drawn); repaints the bar, whose scale may have moved with them.
    void SetLines(PassbandPixels band, int tunedX);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SlideBarScale& scale_;
    ScaleBarHandler* handler_;
    PassbandPixels band_;
    int tunedX_ = 0;
    int lastX_ = 0;
    bool dragging_ = false;
};

}  // namespace velorix
