#include "BitmapPanel.h"

#include <QFontMetrics>
#include <QPainter>

#include "Skin.h"

namespace velorix {

QImage FacePicture(const std::string& face, double ratio,
                   const std::function<void(QPainter&)>& over) {
    QImage picture = skin::Skin::Shared(ratio).Face(face).copy();
    QPainter painter(&picture);
    over(painter);
    return picture;
}

BitmapPanel::BitmapPanel(std::string face, QPoint pos, QWidget* parent)
    : QWidget(parent), face_(std::move(face)) {
    // The face covers every pixel: no background to erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::ArrowCursor);
    setFixedSize(skin::Skin::Shared().Size(face_));
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

QImage BitmapPanel::Picture(double ratio) const {
    return FacePicture(face_, ratio, [this](QPainter& painter) { PaintOver(painter); });
}

void BitmapPanel::paintEvent(QPaintEvent*) {
    const double ratio = skin::FaceRatio(devicePixelRatioF());
    if (stale_ || composed_.devicePixelRatio() != ratio) {
        composed_ = Picture(ratio);
        stale_ = false;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, composed_);
}

PanelLabel::PanelLabel(std::string face, QPoint pos, const QFont& font, const QColor& colour,
                       Qt::Alignment alignment, QWidget* parent)
    : BitmapPanel(std::move(face), pos, parent),
      font_(font),
      colour_(colour),
      alignment_(alignment) {}

void PanelLabel::PaintOver(QPainter& painter) const {
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
