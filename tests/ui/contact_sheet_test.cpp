// Draws every control in every state onto one contact sheet, and the whole
// window with every control, into the build's artifacts folder.
#include <gtest/gtest.h>

#include <QDir>

#include "ContactSheet.h"
#include "SkinWindow.h"
#include "UiTest.h"

namespace velorix {
namespace {

QString Artifacts() {
    const QString dir = QStringLiteral(VELORIX_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    return dir;
}

TEST(ContactSheet, EveryControlInEveryState) {
    const QImage sheet = ContactSheet(1024);
    EXPECT_EQ(sheet.width(), 1024);
    ASSERT_TRUE(sheet.save(Artifacts() + "/controls.png"));
}

TEST(ContactSheet, WindowShowsEveryControlAsItDrawsItself) {
    test::SkinWindow skinned;
    BitmapPanel& window = skinned.window;
    const QImage shown = test::Render(window);
    ASSERT_TRUE(shown.save(Artifacts() + "/window.png"));
    // Every control shows in the window exactly as it draws itself.
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisibleTo(&window)) continue;
        const QImage own = test::Render(*child);
        const QImage there = shown.copy(child->geometry());
        EXPECT_EQ(there, own) << child->metaObject()->className() << " at " << child->x() << ","
                              << child->y();
    }
}

}  // namespace
}  // namespace velorix
