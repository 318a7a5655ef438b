// The skin and the skinned controls on screens with more than one device
// pixel per window pixel: drawn at the screen's resolution, not enlarged.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <cstdlib>
#include <map>

#include "FrequencyReadout.h"
#include "RatioCompare.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinWindow.h"
#include "StationPanel.h"
#include "UiTest.h"

namespace velorix {
namespace {

using test::Compare;
using test::Finer;

// The faces with a glyph or letters that cross pixels: the push buttons' but
// the plain key's and the stop square's (whole pixels at every ratio), and
// the background with its titles.
bool Lettered(const std::string& face) {
    for (const char* base :
         {"ARROW", "PLAY", "RECORD", "IDB_EXIT", "IDB_MINIMIZE", "IDB_LOGO", "134"})
        if (face.rfind(base, 0) == 0) return true;
    return false;
}

TEST(SkinAtRatios, EveryFaceKeepsItsWindowSizeAndIsDrawnFinerNotEnlarged) {
    const skin::Skin& one = skin::Skin::Shared();
    const skin::Skin& two = skin::Skin::Shared(2.0);
    const skin::Skin half = skin::Skin::Generate(1.5);
    ASSERT_EQ(two.Names(), one.Names());
    int lettered = 0;
    for (const std::string& name : one.Names()) {
        EXPECT_EQ(two.Size(name), one.Size(name)) << name;
        EXPECT_EQ(half.Size(name), one.Size(name)) << name;
        EXPECT_EQ(half.Face(name).width(), std::lround(one.Size(name).width() * 1.5)) << name;
        ASSERT_EQ(two.Face(name).size(), one.Face(name).size() * 2) << name;
        const Finer f = Compare(one.Face(name), two.Face(name));
        EXPECT_GE(f.averaged, 0.95) << name;
        if (!Lettered(name)) continue;
        ++lettered;
        EXPECT_GE(f.redrawn, 0.05) << name << " (ink " << f.ink << " px)";
    }
    // 4 arrows and 2 transport keys with U, D and G, 3 frame buttons with U and D, 134.
    EXPECT_EQ(lettered, 25);
    // A screen of less than one pixel per window pixel shrinks the faces of
    // ratio 1; one of more than four enlarges those of ratio 4.
    EXPECT_EQ(skin::Skin::Shared(0.5).Face("134").size(), QSize(1024, 620));
    EXPECT_EQ(skin::Skin::Shared(6.0).Face("134").size(), QSize(4096, 2480));
}

// Captions, labels, digits and station lines are drawn by the font at the
// screen's resolution, not enlarged, and stay where they are at ratio 1. The
// letters' shapes are the font's own at each size (a stroke of 1 px may be
// 1 or 2 px at ratio 2), so only the faces below them and the controls
// without text must average back to the 1x picture.
TEST(ControlsAtRatioTwo, TextIsDrawnNotEnlargedAndKeepsItsPlace) {
    test::SkinWindow skinned;
    int lettered = 0;
    for (QWidget* child : skinned.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const std::string what = child->metaObject()->className() + std::string(" at ") +
                                 std::to_string(child->x()) + "," + std::to_string(child->y());
        bool text = false;
        QImage one, two;
        if (auto* button = qobject_cast<SkinButton*>(child)) {
            one = button->Picture(1.0), two = button->Picture(2.0);
            auto* check = qobject_cast<BitmapCheckBox*>(child);
            text = (check && !check->Caption().isEmpty()) || qobject_cast<TextButton*>(child);
        } else if (auto* panel = qobject_cast<BitmapPanel*>(child)) {
            one = panel->Picture(1.0), two = panel->Picture(2.0);
            text = !panel->Text().isEmpty() || qobject_cast<FrequencyReadout*>(child) ||
                   qobject_cast<StationPanel*>(child);
        } else {
            continue;
        }
        ASSERT_EQ(two.size(), one.size() * 2) << what;
        const Finer f = Compare(one, two);
        if (!text) {
            EXPECT_GE(f.averaged, 0.95) << what;
            continue;
        }
        ++lettered;
        EXPECT_GE(f.redrawn, 0.05) << what << " (ink " << f.ink << " px)";
        // Each edge of the letters within 2 window pixels of its place at 1x
        // (a letter cut by the face's edge at one ratio may show at the other).
        const QMargins off(f.inkBoxTwo.left() - f.inkBox.left(), f.inkBoxTwo.top() - f.inkBox.top(),
                           f.inkBoxTwo.right() - f.inkBox.right(),
                           f.inkBoxTwo.bottom() - f.inkBox.bottom());
        for (const int d : {off.left(), off.top(), off.right(), off.bottom()})
            EXPECT_LE(std::abs(d), 2) << what;
    }
    // 48 captions, 7 labels with text, the readout and the station panel.
    EXPECT_EQ(lettered, 57);
}

// What every control shows on its screen is its picture for the screen's
// ratio. ctest runs this again at ratio 1.5 (ui_ratio_1_5).
TEST(ScreenRatio, EveryControlShowsItsPictureForTheScreensRatio) {
    test::SkinWindow skinned;
    const double ratio = skinned.window.devicePixelRatioF();
    const QImage shown = skinned.window.grab().toImage();
    EXPECT_EQ(shown.size(), QSize(std::lround(1024 * ratio), std::lround(620 * ratio)));
    int compared = 0;
    for (QWidget* child : skinned.window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QImage picture;
        if (auto* button = qobject_cast<SkinButton*>(child))
            picture = button->Picture(ratio);
        else if (auto* panel = qobject_cast<BitmapPanel*>(child))
            picture = panel->Picture(ratio);
        else
            continue;
        const QImage own = child->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect both = own.rect() & picture.rect();
        EXPECT_EQ(own.copy(both), picture.convertToFormat(QImage::Format_RGB32).copy(both))
            << child->metaObject()->className() << " at " << child->x() << "," << child->y();
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(skin::WindowLayout().size()));
}

// ctest runs this on two offscreen screens of ratios 1 and 2 (ui_two_screens).
TEST(ScreenRatio, AWindowMovedToAScreenOfAnotherRatioDrawsItsControlsForIt) {
    const auto [plain, fine] = test::PlainAndFineScreens();
    if (!plain || !fine) GTEST_SKIP() << "needs screens of ratios 1 and 2";
    test::SkinWindow skinned;
    auto* cal = qobject_cast<TextButton*>(skinned.controls.Button(ControlId::Cal));
    ASSERT_NE(cal, nullptr);
    skinned.window.move(plain->geometry().topLeft());
    skinned.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&skinned.window));
    EXPECT_EQ(cal->grab().toImage().convertToFormat(QImage::Format_RGB32),
              cal->Picture(1.0).convertToFormat(QImage::Format_RGB32));

    skinned.window.move(fine->geometry().topLeft());
    EXPECT_TRUE(QTest::qWaitFor([&] { return skinned.window.screen() == fine; }));
    EXPECT_EQ(cal->devicePixelRatioF(), 2.0);
    EXPECT_EQ(cal->grab().toImage().convertToFormat(QImage::Format_RGB32),
              cal->Picture(2.0).convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace velorix
