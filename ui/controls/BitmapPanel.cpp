#include "BitmapPanel.h"

#include <QFontMetrics>
#include <QPainter>

namespace velorix {

BitmapPanel::BitmapPanel(const QImage& face, QPoint pos, QWidget* parent)
    : QWidget(parent), face_(face) {
    // The face covers every pixel: no background to erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::ArrowCursor);
    setFixedSize(face_.size());
    move(pos);
}

void BitmapPanel::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    Redraw();
}

void BitmapPanel::Redraw() {
    stale_ = true;
    update();
}

void BitmapPanel::paintEvent(QPaintEvent*) {
    if (stale_) {
        composed_ = face_.copy();
        QPainter over(&composed_);
        PaintOver(over);
        stale_ = false;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, composed_);
}

PanelLabel::PanelLabel(const QImage& face, QPoint pos, const QFont& font, const QColor& colour,
                       Qt::Alignment alignment, QWidget* parent)
    : BitmapPanel(face, pos, parent), font_(font), colour_(colour), alignment_(alignment) {}

void PanelLabel::PaintOver(QPainter& painter) {
    if (Text().isEmpty()) return;
    painter.setFont(font_);
    painter.setPen(colour_);
    const QFontMetrics metrics(font_);
    const int baseline = height() - 3 - metrics.descent();
    const int x =
        (alignment_ & Qt::AlignRight) ? width() - 3 - metrics.horizontalAdvance(Text()) : 3;
    painter.drawText(x, baseline, Text());
}

}  // namespace velorix
