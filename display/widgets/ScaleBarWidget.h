#pragma once

#include <QWidget>
#include <memory>

#include "DisplayState.h"

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
// tuned line, and the ticks and labels of the display state's scale, drawn
// at the screen's resolution. A label that would be cut at either end is
// left out. Without a handler (the secondary display's) it takes no mouse
// input.
class ScaleBarWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 20;

    ScaleBarWidget(int widthPx, ScaleBarHandler* handler, QWidget* parent = nullptr);
    // The display's new state: its scale, band and tuned line (a tuned line
    // at 0 is not drawn).
    void Show(std::shared_ptr<const DisplayState> state);
    // Leaves out the labels that would cross the tuned line (the secondary
    // display's, whose line stands still while the scale moves under it).
    void SetLabelsClearOfTunedLine(bool on) { labelsClearOfTunedLine_ = on; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ScaleBarHandler* handler_;
    std::shared_ptr<const DisplayState> state_;
    int lastX_ = 0;
    bool dragging_ = false;
    bool labelsClearOfTunedLine_ = false;
};

}  // namespace velorix
