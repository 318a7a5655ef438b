#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>
#include <string>

#include "ControlTable.h"

namespace velorix {

// What the three skinned buttons share: the own enabled flag (a disabled
// button ignores clicks but keeps taking the focus), the pressed state while
// the left button that went down on it is held with the pointer over it, and
// the command sent when that button is released over it. Faces are named
// skin faces, drawn for the pixel ratio of the screen the button is on.
class SkinButton : public QWidget {
    Q_OBJECT
public:
    // The button is the size of the skin's face `firstFace`.
    SkinButton(ControlId id, const std::string& firstFace, QPoint pos, QWidget* parent);

    ControlId Id() const { return id_; }
    bool Enabled() const { return enabled_; }
    // Stores the flag and repaints. A disabled button ignores clicks.
    void SetEnabled(bool on);
    bool Pressed() const { return down_; }
    // What the button shows now at `ratio` device pixels per window pixel.
    QImage Picture(double ratio) const;

signals:
    void clicked(velorix::ControlId id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The name of the face for the current state, and what is drawn over it.
    virtual const std::string& CurrentFace() const = 0;
    virtual void PaintOver(QPainter&) const {}
    // The caption centred in `box`, in `colour` or, when disabled, dimmed.
    void DrawCaption(QPainter& painter, const QRect& box, const QString& caption, const QFont& font,
                     const QColor& colour) const;

    // Captioned buttons and check boxes make double clicks fast while they
    // have the focus.
    bool fastClicks_ = false;

private:
    ControlId id_;
    // The face with its caption as last drawn, and what it was drawn for.
    QImage composed_;
    const std::string* composedFace_ = nullptr;
    bool composedEnabled_ = true;
    bool enabled_ = true;
    bool held_ = false;  // the left button went down here and is still down
    bool down_ = false;  // held, with the pointer over the button
};

// A push button of three faces (U, D, G): the face is D while lit or while
// pressed when lit, U otherwise, and G when disabled and not pressed. The
// frame buttons have no G face and show U.
class BitmapButton : public SkinButton {
    Q_OBJECT
public:
    BitmapButton(const std::string& base, QPoint pos, ControlId id, QWidget* parent);

    // The lit state ("STOP", "PLAY", "RECORD"): repaints when it changes.
    void SetState(bool on);
    bool State() const { return state_; }

protected:
    const std::string& CurrentFace() const override;

private:
    std::string up_, down_, grey_;
    bool state_ = false;
};

// A push button with a caption centred on its face. The face is D while
// pressed, U otherwise, and G when disabled. While it has the focus double
// clicks are made fast, so that quick repeated clicks all count.
class TextButton : public SkinButton {
    Q_OBJECT
public:
    TextButton(const std::string& base, QPoint pos, const QString& caption, const QFont& font,
               const QColor& colour, ControlId id, QWidget* parent);

    const QString& Caption() const { return caption_; }

protected:
    const std::string& CurrentFace() const override;
    void PaintOver(QPainter& painter) const override;

private:
    std::string up_, down_, grey_;
    QString caption_;
    QFont font_;
    QColor colour_;
};

// A check box of four faces (UU, UC, DU, DC: up or down, unchecked or
// checked). It does not toggle itself: its owner checks it after the
// command. The caption is centred in the box with its top edge 8 px down,
// below the indicator strip.
class BitmapCheckBox : public SkinButton {
    Q_OBJECT
public:
    BitmapCheckBox(const std::string& base, QPoint pos, const QString& caption, const QFont& font,
                   const QColor& colour, ControlId id, QWidget* parent);

    void SetChecked(bool on);
    bool IsChecked() const { return checked_; }
    const QString& Caption() const { return caption_; }

protected:
    const std::string& CurrentFace() const override;
    void PaintOver(QPainter& painter) const override;

private:
    std::string uu_, uc_, du_, dc_;
    QString caption_;
    QFont font_;
    QColor colour_;
    bool checked_ = false;
};

}  // namespace velorix
