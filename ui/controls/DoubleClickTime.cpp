#include "DoubleClickTime.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace velorix {

void UseFastClicks() {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(50);
}

void RestoreDoubleClickTime() {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(-1);
}

}  // namespace velorix
