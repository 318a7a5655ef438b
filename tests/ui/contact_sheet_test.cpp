// Every control in every state, and the whole window with every control:
// each drawn as it should look, and put into the build's artifacts folder.
#include <gtest/gtest.h>

#include <QDir>
#include <set>

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

// A state that draws as another is one the control stopped showing; every
// kind of control of the window is on the sheet.
TEST(ContactSheet, EachStateOfAControlShowsItsOwnLook) {
    const std::vector<test::ContactCell> cells = test::EveryControlInEveryState();
    std::set<ControlKind> kinds;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const test::ContactCell& a = cells[i];
        kinds.insert(a.kind);
        for (std::size_t j = i + 1; j < cells.size(); ++j) {
            const test::ContactCell& b = cells[j];
            if (a.control != b.control) continue;
            EXPECT_EQ(a.image == b.image, a.look == b.look)
                << a.control.toStdString() << ": " << a.state.toStdString() << " and "
                << b.state.toStdString();
        }
    }
    for (const ControlRow& c : ControlTable())
        EXPECT_EQ(kinds.count(c.kind), 1u) << c.name << " has no cell";
    ASSERT_TRUE(test::ContactSheet(cells).save(Artifacts() + "/controls.png"));
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
