#include "FrequencyReadout.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "DoubleClickTime.h"
#include "FrequencyKeypad.h"
#include "SkinStyle.h"
#include "TuningTables.h"

namespace velorix {

FrequencyReadout::FrequencyReadout(std::string face, QPoint pos, QWidget* parent)
    : BitmapPanel(std::move(face), pos, parent),
      bigFont_(skin::ReadoutBigFont()),
      smallFont_(skin::ReadoutSmallFont()),
      keypad_(new FrequencyKeypad(this)) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    SetFrequency(0);
}

void FrequencyReadout::SetFrequency(std::int64_t hz) {
    const ReadoutText text = FormatReadout(hz);
    SetTexts(QString::fromStdString(text.large), QString::fromStdString(text.small));
}

void FrequencyReadout::SetTexts(const QString& big, const QString& small) {
    if (big == big_ && small == small_) return;
    big_ = big;
    small_ = small;
    Redraw();
}

int FrequencyReadout::DigitAt(int x, int width) {
    const int c = width - 40;  // between the kHz units and the hundreds of Hz
    const int d = x < c ? (c - x) / 18 + 3 : 2 - (x - c) / 12;
    return std::clamp(d, 0, 6);
}

void FrequencyReadout::Wheel(int delta, int x) {
    emit wheelTuning(delta, DigitAt(x, width()));
}

void FrequencyReadout::PaintOver(QPainter& painter) const {
    painter.setPen(skin::kDigits);
    painter.setFont(bigFont_);
    const QFontMetrics big(bigFont_);
    painter.drawText(width() - 40 - big.horizontalAdvance(big_), height() - big.descent(), big_);
    painter.setFont(smallFont_);
    const QFontMetrics small(smallFont_);
    painter.drawText(width() - 38, 6 + small.ascent(), small_);
}

void FrequencyReadout::wheelEvent(QWheelEvent* event) {
    event->accept();
    // Smooth-scroll devices send parts of a step: gather them to 120.
    wheelRest_ += event->angleDelta().y();
    const int steps = wheelRest_ / 120;
    if (steps == 0) return;
    wheelRest_ -= steps * 120;
    Wheel(steps * 120, event->position().toPoint().x());
}

void FrequencyReadout::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (hasFocus()) return;
    setFocus(Qt::MouseFocusReason);
    RestoreDoubleClickTime();
}

void FrequencyReadout::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    keypad_->Open();
}

}  // namespace velorix
