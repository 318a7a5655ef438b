#include "SkinButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "BitmapPanel.h"
#include "DoubleClickTime.h"
#include "Skin.h"
#include "SkinStyle.h"

namespace velorix {

namespace {

// The name of a face the skin has; throws std::out_of_range naming it otherwise.
std::string Known(const std::string& face) {
    skin::Skin::Shared().Face(face);
    return face;
}

// The grey face when the skin has one, else the up face.
std::string GreyOrUp(const std::string& base) {
    return skin::Skin::Shared().Has(base + "G") ? base + "G" : base + "U";
}

}  // namespace

SkinButton::SkinButton(ControlId id, const std::string& firstFace, QPoint pos, QWidget* parent)
    : QWidget(parent), id_(id) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::ArrowCursor);
    setFixedSize(skin::Skin::Shared().Size(firstFace));
    move(pos);
}

void SkinButton::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (!on) held_ = down_ = false;
    update();
}

QImage SkinButton::Picture(double ratio) const {
    return FacePicture(CurrentFace(), ratio, [this](QPainter& painter) { PaintOver(painter); });
}

void SkinButton::paintEvent(QPaintEvent*) {
    // Captions are fixed: a face, the enabled flag and the screen decide the picture.
    const std::string& face = CurrentFace();
    const double ratio = skin::FaceRatio(devicePixelRatioF());
    if (&face != composedFace_ || enabled_ != composedEnabled_ || composed_.isNull() ||
        composed_.devicePixelRatio() != ratio) {
        composed_ = Picture(ratio);
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

BitmapButton::BitmapButton(const std::string& base, QPoint pos, ControlId id, QWidget* parent)
    : SkinButton(id, base + "U", pos, parent),
      up_(base + "U"),
      down_(Known(base + "D")),
      grey_(GreyOrUp(base)) {}

void BitmapButton::SetState(bool on) {
    if (on == state_) return;
    state_ = on;
    update();
}

const std::string& BitmapButton::CurrentFace() const {
    if (Pressed() || Enabled()) return state_ ? down_ : up_;
    return grey_;
}

TextButton::TextButton(const std::string& base, QPoint pos, const QString& caption,
                       const QFont& font, const QColor& colour, ControlId id, QWidget* parent)
    : SkinButton(id, base + "U", pos, parent),
      up_(base + "U"),
      down_(Known(base + "D")),
      grey_(GreyOrUp(base)),
      caption_(caption),
      font_(font),
      colour_(colour) {
    fastClicks_ = true;
}

const std::string& TextButton::CurrentFace() const {
    if (!Enabled()) return grey_;
    return Pressed() ? down_ : up_;
}

void TextButton::PaintOver(QPainter& painter) const {
    DrawCaption(painter, rect(), caption_, font_, colour_);
}

BitmapCheckBox::BitmapCheckBox(const std::string& base, QPoint pos, const QString& caption,
                               const QFont& font, const QColor& colour, ControlId id,
                               QWidget* parent)
    : SkinButton(id, base + "UU", pos, parent),
      uu_(base + "UU"),
      uc_(Known(base + "UC")),
      du_(Known(base + "DU")),
      dc_(Known(base + "DC")),
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

const std::string& BitmapCheckBox::CurrentFace() const {
    if (Pressed()) return checked_ ? dc_ : du_;
    return checked_ ? uc_ : uu_;
}

void BitmapCheckBox::PaintOver(QPainter& painter) const {
    DrawCaption(painter, rect().adjusted(0, 8, 0, 0), caption_, font_, colour_);
}

}  // namespace velorix
