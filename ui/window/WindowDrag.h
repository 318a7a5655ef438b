#pragma once

#include <QPoint>
#include <functional>
#include <optional>

class QMouseEvent;
class QWidget;

namespace velorix {

// Moves a frameless window by its title strip. A left press in the strip
// first asks the window system to move the window: on Wayland only the
// compositor places windows. Where it declines (X11 without a window
// manager, the offscreen platform), the window follows the pointer itself,
// the grabbed point staying under it.
class WindowDrag {
public:
    // Asks the window system to move the window with the pointer; true when
    // it took the move over.
    using SystemMove = std::function<bool()>;

    // `stripHeight`: the rows from the top that drag (window pixels). By
    // default the system move is QWindow::startSystemMove.
    WindowDrag(QWidget& window, int stripHeight, SystemMove systemMove = {});

    void Press(const QMouseEvent& event);
    void Move(const QMouseEvent& event);

private:
    QWidget& window_;
    int stripHeight_;
    SystemMove systemMove_;
    // The pointer's place in the window while the window follows it itself.
    std::optional<QPoint> anchor_;
};

}  // namespace velorix
