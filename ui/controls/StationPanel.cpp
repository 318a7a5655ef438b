#include "StationPanel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWheelEvent>

#include "SkinStyle.h"

namespace velorix {

StationPanel::StationPanel(std::string face, QPoint pos, QWidget* parent)
    : BitmapPanel(std::move(face), pos, parent) {}

void StationPanel::SetLines(const std::vector<std::string>& lines) {
    if (lines == lines_) return;
    lines_ = lines;
    Redraw();
}

void StationPanel::PaintOver(QPainter& painter) const {
    const QFont font = skin::StationFont();
    const int ascent = QFontMetrics(font).ascent();
    painter.setFont(font);
    painter.setPen(skin::kDigits);
    painter.setClipRect(rect());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const int top = 14 * static_cast<int>(i);
        if (top >= height()) break;
        painter.drawText(3, top + ascent, QString::fromStdString(lines_[i]));
    }
}

void StationPanel::wheelEvent(QWheelEvent* event) {
    event->accept();
}

}  // namespace velorix
