#include "SkinButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "DoubleClickTime.h"
#include "Skin.h"
#include "SkinStyle.h"

namespace velorix {

SkinButton::SkinButton(ControlId id, QSize size, QPoint pos, QWidget* parent)
    : QWidget(parent), id_(id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::ArrowCursor);
    setFixedSize(size);
    move(pos);
}

void SkinButton::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (!on) held_ = down_ = false;
    update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    // Captions are fixed: a face and the enabled flag decide the picture.
    const QImage& face = CurrentFace();
    if (&face != composedFace_ || enabled_ != composedEnabled_ || composed_.isNull()) {
        composed_ = face.copy();
        QPainter over(&composed_);
        PaintOver(over);
        composedFace_ = &face;
        composedEnabled_ = enabled_;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, composed_);
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    if (!enabled_) return;
    held_ = down_ = true;
    update();
}

// A second click within the double-click time is just another click.
void SkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void SkinButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!held_) return;
    const bool over = rect().contains(event->position().toPoint());
    if (over != down_) {
        down_ = over;
        update();
    }
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !held_) return;
    const bool click = down_ && enabled_;
    held_ = down_ = false;
    update();
    if (click) emit clicked(id_);
}

void SkinButton::focusInEvent(QFocusEvent* event) {
    if (fastClicks_) UseFastClicks();
    QWidget::focusInEvent(event);
}

void SkinButton::focusOutEvent(QFocusEvent* event) {
    if (fastClicks_) RestoreDoubleClickTime();
    QWidget::focusOutEvent(event);
}

void SkinButton::DrawCaption(QPainter& painter, const QRect& box, const QString& caption,
                             const QFont& font, const QColor& colour) const {
    if (caption.isEmpty()) return;
    painter.setFont(font);
    painter.setPen(enabled_ ? colour : skin::Dimmed(colour));
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

BitmapButton::BitmapButton(const skin::Skin& skin, const std::string& base, QPoint pos,
                           ControlId id, QWidget* parent)
    : SkinButton(id, skin.Face(base + "U").size(), pos, parent),
      up_(skin.Face(base + "U")),
      down_(skin.Face(base + "D")),
      grey_(skin.Has(base + "G") ? skin.Face(base + "G") : up_) {}

void BitmapButton::SetState(bool on) {
    if (on == state_) return;
    state_ = on;
    update();
}

const QImage& BitmapButton::CurrentFace() const {
    if (Pressed() || Enabled()) return state_ ? down_ : up_;
    return grey_;
}

TextButton::TextButton(const skin::Skin& skin, const std::string& base, QPoint pos,
                       const QString& caption, const QFont& font, const QColor& colour,
                       ControlId id, QWidget* parent)
    : SkinButton(id, skin.Face(base + "U").size(), pos, parent),
      up_(skin.Face(base + "U")),
      down_(skin.Face(base + "D")),
      grey_(skin.Has(base + "G") ? skin.Face(base + "G") : up_),
      caption_(caption),
      font_(font),
      colour_(colour) {
    fastClicks_ = true;
}

const QImage& TextButton::CurrentFace() const {
    if (!Enabled()) return grey_;
    return Pressed() ? down_ : up_;
}

void TextButton::PaintOver(QPainter& painter) {
    DrawCaption(painter, rect(), caption_, font_, colour_);
}

BitmapCheckBox::BitmapCheckBox(const skin::Skin& skin, const std::string& base, QPoint pos,
                               const QString& caption, const QFont& font, const QColor& colour,
                               ControlId id, QWidget* parent)
    : SkinButton(id, skin.Face(base + "UU").size(), pos, parent),
      uu_(skin.Face(base + "UU")),
      uc_(skin.Face(base + "UC")),
      du_(skin.Face(base + "DU")),
      dc_(skin.Face(base + "DC")),
      caption_(caption),
      font_(font),
      colour_(colour) {
    fastClicks_ = true;
}

void BitmapCheckBox::SetChecked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    update();
}

const QImage& BitmapCheckBox::CurrentFace() const {
    if (Pressed()) return checked_ ? dc_ : du_;
    return checked_ ? uc_ : uu_;
}

void BitmapCheckBox::PaintOver(QPainter& painter) {
    DrawCaption(painter, rect().adjusted(0, 8, 0, 0), caption_, font_, colour_);
}

}  // namespace velorix
