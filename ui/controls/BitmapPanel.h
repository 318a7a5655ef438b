#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace velorix {

// A child window whose face is a bitmap and whose size is the face's. The
// controls built on it draw over the face in PaintOver; the result is kept,
// so an expose only copies it, and is drawn again after Redraw.
class BitmapPanel : public QWidget {
    Q_OBJECT
public:
    BitmapPanel(const QImage& face, QPoint pos, QWidget* parent);

    // Stores the text and repaints.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }
    const QImage& Face() const { return face_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void PaintOver(QPainter&) {}
    // The drawing over the face changed: compose it again at the next paint.
    void Redraw();

private:
    QImage face_;
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
    PanelLabel(const QImage& face, QPoint pos, const QFont& font, const QColor& colour,
               Qt::Alignment alignment, QWidget* parent);

protected:
    void PaintOver(QPainter& painter) override;

private:
    QFont font_;
    QColor colour_;
    Qt::Alignment alignment_;
};

}  // namespace velorix
