#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

namespace velorix {

// The skin's face `face` drawn for a screen of `ratio` device pixels per
// window pixel, with `over` drawn on it in window pixels: what a skinned
// control shows.
QImage FacePicture(const std::string& face, double ratio,
                   const std::function<void(QPainter&)>& over);

// A child window whose face is a bitmap of the skin and whose size is the
// face's. The controls built on it draw over the face in PaintOver; the
// result is kept, so an expose only copies it, and is drawn again after
// Redraw or on a screen of another pixel ratio.
class BitmapPanel : public QWidget {
    Q_OBJECT
public:
    // `face` names the skin's face ("149", "204" …).
    BitmapPanel(std::string face, QPoint pos, QWidget* parent);

    // Stores the text and repaints.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    // What the panel shows at `ratio` device pixels per window pixel.
    QImage Picture(double ratio) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void PaintOver(QPainter&) const {}
    // The drawing over the face changed: compose it again at the next paint.
    void Redraw();

private:
    std::string face_;
    QImage composed_;
    bool stale_ = true;
    QString text_;
};

// A panel with one line of text in a bottom corner: at (W - 3, H - 3) when
// right-aligned, at (3, H - 3) otherwise. The value labels and the status
// texts.
class PanelLabel : public BitmapPanel {
    Q_OBJECT
public:
    PanelLabel(std::string face, QPoint pos, const QFont& font, const QColor& colour,
               Qt::Alignment alignment, QWidget* parent);

protected:
    void PaintOver(QPainter& painter) const override;

private:
    QFont font_;
    QColor colour_;
    Qt::Alignment alignment_;
};

}  // namespace velorix
