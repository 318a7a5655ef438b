#include "WindowDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace velorix {

WindowDrag::WindowDrag(QWidget& window, int stripHeight, SystemMove systemMove)
    : window_(window), stripHeight_(stripHeight), systemMove_(std::move(systemMove)) {
    if (!systemMove_)
        systemMove_ = [&window] {
            QWindow* handle = window.windowHandle();
            return handle && handle->startSystemMove();
        };
}

void WindowDrag::Press(const QMouseEvent& event) {
    anchor_.reset();
    if (event.button() != Qt::LeftButton || event.position().y() >= stripHeight_) return;
    if (systemMove_()) return;
    anchor_ = event.globalPosition().toPoint() - window_.pos();
}

void WindowDrag::Move(const QMouseEvent& event) {
    if (anchor_ && (event.buttons() & Qt::LeftButton))
        window_.move(event.globalPosition().toPoint() - *anchor_);
}

}  // namespace velorix
