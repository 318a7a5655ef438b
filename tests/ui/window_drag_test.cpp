#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QWidget>

#include "UiTest.h"
#include "WindowDrag.h"

namespace velorix {
namespace {

QMouseEvent Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    return QMouseEvent(type, at, w.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
}

// A press in the strip asks the window system first; the window follows the
// pointer itself only when the system declines, and a press below the strip
// neither asks nor moves.
TEST(WindowDrag, TheSystemMovesTheWindowWhenItCanElseTheWindowFollowsThePointer) {
    struct Case {
        int pressY;
        bool systemMoves;
        int asked;
        QPoint endsAt;
    };
    const Case cases[] = {
        {10, true, 1, {100, 100}},   // Wayland: the compositor moves it
        {10, false, 1, {140, 130}},  // X11 without a window manager
        {26, false, 1, {140, 130}},  // the strip's last row
        {27, false, 0, {100, 100}},  // below the strip
        {27, true, 0, {100, 100}},
    };
    for (const Case& c : cases) {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(100, 100, 300, 200);
        int asked = 0;
        WindowDrag drag(window, 27, [&] { return ++asked, c.systemMoves; });
        drag.Press(Mouse(window, QEvent::MouseButtonPress, {100, c.pressY}, Qt::LeftButton));
        drag.Move(Mouse(window, QEvent::MouseMove, {140, c.pressY + 30}, Qt::LeftButton));
        EXPECT_EQ(asked, c.asked) << c.pressY << " " << c.systemMoves;
        EXPECT_EQ(window.pos(), c.endsAt) << c.pressY << " " << c.systemMoves;
        // A move without the button held never moves the window.
        drag.Move(Mouse(window, QEvent::MouseMove, {0, 0}, Qt::NoButton));
        EXPECT_EQ(window.pos(), c.endsAt);
    }
}

}  // namespace
}  // namespace velorix
