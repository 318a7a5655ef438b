#pragma once

#include "BitmapPanel.h"

namespace velorix {

// A vertical slider: the panel's face is the track, a thumb of height T is
// dragged along it. The position p (0 … R, R = H - T) is the thumb's top
// row; the value is linear in p between the value at the top (p = 0) and at
// the bottom (p = R). Every change of p made by the mouse is reported with
// the slider's notification number n (330 … 334 in the window).
class VerticalSlider : public BitmapPanel {
    Q_OBJECT
public:
    // `track` and `thumb` name the skin's faces. Throws std::invalid_argument
    // when the thumb is not shorter than the track: the value map would
    // divide by zero.
    VerticalSlider(std::string track, std::string thumb, QPoint pos, int notification,
                   QWidget* parent);

    // Value at the bottom end (p = R) and at the top end (p = 0).
    void SetValueRange(double bottom, double top);
    double Value() const { return p_ * perPixel_ + top_; }
    // Places the thumb at the position of `value`, limited to 0 … R; silent.
    void SetValue(double value);
    void SetEnabled(bool on);
    bool Enabled() const { return enabled_; }

    int Position() const { return p_; }
    int Range() const { return range_; }
    int ThumbHeight() const { return thumbHeight_; }
    int Notification() const { return n_; }

signals:
    // The user moved the thumb to `position`.
    void moved(int notification, int position);

protected:
    void PaintOver(QPainter& painter) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void MoveTo(int p);

    std::string thumb_;
    int thumbHeight_;
    int n_;
    int range_;
    int p_ = 0;
    bool enabled_ = true;
    bool held_ = false;  // left button went down here and is still down
    bool grab_ = false;  // ... on the thumb: the thumb follows the pointer's moves
    int lastY_ = 0;
    double top_ = 0.0;
    double perPixel_ = 0.0;
};

}  // namespace velorix
