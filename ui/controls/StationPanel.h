#pragma once

#include <string>
#include <vector>

#include "BitmapPanel.h"

namespace velorix {

// The stations on the air at the tuned kHz: one line every 14 px from the
// top at x 3, in the digits' amber, clipped by the face. It repaints only
// when it is given lines that differ from those shown; the wheel over it is
// taken and does nothing.
class StationPanel : public BitmapPanel {
    Q_OBJECT
public:
    // `face` names the skin's face.
    StationPanel(std::string face, QPoint pos, QWidget* parent);

    void SetLines(const std::vector<std::string>& lines);
    const std::vector<std::string>& Lines() const { return lines_; }

protected:
    void PaintOver(QPainter& painter) const override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::vector<std::string> lines_;
};

}  // namespace velorix
