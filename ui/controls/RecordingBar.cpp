#include "RecordingBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace velorix {

namespace {

const QColor kTrack(84, 84, 65);
const QColor kSelected(128, 128, 64);
const QColor kBar(245, 203, 56);
const QColor kBarSelected(255, 255, 128);

}  // namespace

RecordingBar::RecordingBar(std::string face, QPoint pos, QWidget* parent)
    : BitmapPanel(std::move(face), pos, parent), length_(std::max(width() - 10, 0)) {
    pixelsPerUnit_ = static_cast<double>(length_) / static_cast<double>(maximum_ - minimum_);
}

void RecordingBar::SetRange(std::int64_t minimum, std::int64_t maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    // A header-only recording has nothing to show or select.
    pixelsPerUnit_ = maximum > minimum
                         ? static_cast<double>(length_) / static_cast<double>(maximum - minimum)
                         : 0.0;
    ClearSelection();
    barEnd_ = kTrackLeft;
    SetPosition(minimum);
    Redraw();
}

void RecordingBar::SetPosition(std::int64_t value) {
    const double pixels = std::trunc(static_cast<double>(value - minimum_) * pixelsPerUnit_);
    const int end = kTrackLeft + static_cast<int>(std::clamp(pixels, 0.0, double(length_)));
    if (end == barEnd_) return;
    barEnd_ = end;
    Redraw();
}

void RecordingBar::SetEnabled(bool on) {
    enabled_ = on;
    ClearSelection();
    Redraw();
}

void RecordingBar::ClearSelection() {
    selStart_ = selEnd_ = 0;
    selecting_ = false;
}

int RecordingBar::OnTrack(int x) const {
    return std::clamp(x, kTrackLeft, kTrackLeft + length_);
}

std::int64_t RecordingBar::BytesAt(int x) const {
    return minimum_ + static_cast<std::int64_t>(std::trunc((x - kTrackLeft) / pixelsPerUnit_));
}

void RecordingBar::PaintOver(QPainter& painter) const {
    const int top = kTrackTop;
    const int rows = kTrackRows;
    painter.fillRect(kTrackLeft, top, length_, rows, kTrack);
    if (selEnd_ > selStart_) painter.fillRect(selStart_, top, selEnd_ - selStart_, rows, kSelected);
    if (barEnd_ <= kTrackLeft) return;
    painter.fillRect(kTrackLeft, top, barEnd_ - kTrackLeft, rows, kBar);
    const int brightEnd = std::min(barEnd_, selEnd_);
    if (selEnd_ > selStart_ && brightEnd > selStart_)
        painter.fillRect(selStart_, top, brightEnd - selStart_, rows, kBarSelected);
}

void RecordingBar::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    if (!enabled_ || at.y() <= 12 || at.y() >= 19) return;
    selecting_ = true;
    selStart_ = selEnd_ = OnTrack(at.x());
    Redraw();
}

void RecordingBar::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!enabled_ || !selecting_) return;
    selEnd_ = OnTrack(event->position().toPoint().x());
    Redraw();
}

void RecordingBar::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    // Only a release that ends a selection started on the track chooses.
    if (event->button() != Qt::LeftButton || !enabled_ || !selecting_) return;
    selecting_ = false;
    selEnd_ = OnTrack(event->position().toPoint().x());
    if (selEnd_ < selStart_) std::swap(selStart_, selEnd_);
    if (selStart_ < selEnd_ && pixelsPerUnit_ > 0.0) {
        emit playRangeSelected(BytesAt(selStart_), BytesAt(selEnd_));
    } else {
        ClearSelection();
        emit playRangeSelected(minimum_, maximum_);
    }
    Redraw();
}

}  // namespace velorix
