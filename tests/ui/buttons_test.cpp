#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSignalSpy>
#include <QStyleHints>

#include "Skin.h"
#include "SkinButton.h"
#include "SkinStyle.h"
#include "UiTest.h"

namespace velorix {
namespace {

using test::At;

// The face a control shows, checked at two pixels outside any caption.
void ExpectFace(SkinButton& control, const std::string& face) {
    const QImage shown = test::Render(control);
    const QImage& expected = skin::Skin::Shared().Face(face);
    const int w = expected.width();
    const int h = expected.height();
    EXPECT_EQ(At(shown, 2, 2), At(expected, 2, 2)) << face;
    EXPECT_EQ(At(shown, w - 3, h - 3), At(expected, w - 3, h - 3)) << face;
}

TEST(SkinFaces, EveryStateOfAFaceSetDiffersAtTheSamplePixels) {
    const skin::Skin& skin = skin::Skin::Shared();
    const std::vector<std::vector<std::string>> sets = {
        {"ARROWUU", "ARROWUD", "ARROWUG"},
        {"BTNDARKU", "BTNDARKD", "BTNDARKG"},
        {"STOPU", "STOPD", "STOPG"},
        {"SQUAREUU", "SQUAREUC", "SQUAREDU", "SQUAREDC"},
        {"IDB_CHKDARKUU", "IDB_CHKDARKUC", "IDB_CHKDARKDU", "IDB_CHKDARKDC"},
        {"IDB_CHK49x25UU", "IDB_CHK49x25UC", "IDB_CHK49x25DU", "IDB_CHK49x25DC"},
        {"IDB_EXITU", "IDB_EXITD"},
    };
    for (const auto& set : sets)
        for (std::size_t i = 0; i < set.size(); ++i)
            for (std::size_t j = i + 1; j < set.size(); ++j) {
                const QImage& a = skin.Face(set[i]);
                const QImage& b = skin.Face(set[j]);
                const int w = a.width(), h = a.height();
                EXPECT_TRUE(At(a, 2, 2) != At(b, 2, 2) ||
                            At(a, w - 3, h - 3) != At(b, w - 3, h - 3))
                    << set[i] << " " << set[j];
            }
}

TEST(BitmapButton, ShowsUpDownOrGreyByStateEnabledAndPress) {
    struct Case {
        bool enabled, state, pressed;
        const char* face;
    };
    const Case cases[] = {
        {true, false, false, "PLAYU"}, {true, true, false, "PLAYD"}, {false, false, false, "PLAYG"},
        {false, true, false, "PLAYG"}, {true, false, true, "PLAYU"}, {true, true, true, "PLAYD"},
    };
    for (const Case& c : cases) {
        BitmapButton button("PLAY", {}, ControlId::Play, nullptr);
        button.SetEnabled(c.enabled);
        button.SetState(c.state);
        if (c.pressed) test::Press(button, {10, 10});
        ExpectFace(button, c.face);
    }
}

TEST(BitmapButton, ClickSendsItsCommandOnlyWhenReleasedOverIt) {
    BitmapButton button("ARROWU", {}, ControlId::RefLevUp, nullptr);
    QSignalSpy clicks(&button, &SkinButton::clicked);
    test::Click(button, {5, 5});
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].value<ControlId>(), ControlId::RefLevUp);
    // Dragged off before the release: no command.
    test::Press(button, {5, 5});
    test::Drag(button, {40, 5});
    ExpectFace(button, "ARROWUU");
    test::Release(button, {40, 5});
    EXPECT_EQ(clicks.count(), 1);
}

TEST(TextButton, PressedShowsDownAndDisabledShowsGreyWithADimmedCaption) {
    TextButton button("BTNDARK", {}, "Cal", skin::CaptionFont(), skin::kCaption, ControlId::Cal,
                      nullptr);
    ExpectFace(button, "BTNDARKU");
    EXPECT_GT(test::CountOf(test::Render(button), skin::kCaption.rgb()), 0);
    test::Press(button, {20, 10});
    ExpectFace(button, "BTNDARKD");
    test::Release(button, {20, 10});
    button.SetEnabled(false);
    ExpectFace(button, "BTNDARKG");
    const QImage grey = test::Render(button);
    EXPECT_EQ(test::CountOf(grey, skin::kCaption.rgb()), 0);
    EXPECT_GT(test::CountOf(grey, test::Rgb(98, 64, 0)), 0);
}

TEST(BitmapCheckBox, FacePerCheckedAndPressedState) {
    struct Case {
        bool checked, pressed;
        const char* face;
    };
    const Case cases[] = {{false, false, "IDB_CHKDARKUU"},
                          {true, false, "IDB_CHKDARKUC"},
                          {false, true, "IDB_CHKDARKDU"},
                          {true, true, "IDB_CHKDARKDC"}};
    for (const Case& c : cases) {
        BitmapCheckBox box("IDB_CHKDARK", {}, "Delta", skin::CaptionFont(), skin::kCaption,
                           ControlId::Delta, nullptr);
        box.SetChecked(c.checked);
        if (c.pressed) test::Press(box, {20, 10});
        ExpectFace(box, c.face);
    }
}

TEST(BitmapCheckBox, CaptionSitsBelowTheIndicatorStrip) {
    BitmapCheckBox box("IDB_CHKDARK", {}, "Rms", skin::CaptionFont(), skin::kCaption,
                       ControlId::SmtrRms, nullptr);
    const QImage shown = test::Render(box);
    int top = shown.height(), bottom = -1;
    // Orange pixels below the strip: the caption's ink.
    for (int y = 6; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (qRed(At(shown, x, y)) - qBlue(At(shown, x, y)) > 60) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(bottom, 0);
    // Centred in rows 8 … 19: the text's middle 4 px below the control's.
    EXPECT_GE(top, 8);
    EXPECT_NEAR((top + bottom) / 2.0, 14.0, 1.5);
}

TEST(BitmapCheckBox, DisabledIgnoresAClickAndDimsItsCaption) {
    BitmapCheckBox box("IDB_CHKDARK", {}, "Peak", skin::CaptionFont(), skin::kCaption,
                       ControlId::MarkerPeak, nullptr);
    QSignalSpy clicks(&box, &SkinButton::clicked);
    box.SetEnabled(false);
    test::Press(box, {20, 10});
    ExpectFace(box, "IDB_CHKDARKUU");
    test::Release(box, {20, 10});
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(box.IsChecked());
    const QImage shown = test::Render(box);
    EXPECT_EQ(test::CountOf(shown, skin::kCaption.rgb()), 0);
    EXPECT_GT(test::CountOf(shown, test::Rgb(98, 64, 0)), 0);
    // It does not check itself: the owner does after the command.
    box.SetEnabled(true);
    test::Click(box, {20, 10});
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(box.IsChecked());
}

TEST(BitmapCheckBox, FocusMakesDoubleClicksFastUntilItLeaves) {
    QStyleHints* hints = QGuiApplication::styleHints();
    const int platform = hints->mouseDoubleClickInterval();
    ASSERT_NE(platform, 50);
    QWidget window;
    BitmapCheckBox box("SQUARE", {}, "", skin::CaptionFont(), skin::kCaption, ControlId::Audio,
                       &window);
    BitmapButton other("ARROWD", {30, 0}, ControlId::RefLevDown, &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    test::Click(box, {5, 5});
    ASSERT_TRUE(box.hasFocus());
    EXPECT_EQ(hints->mouseDoubleClickInterval(), 50);
    test::Click(other, {5, 5});
    EXPECT_EQ(hints->mouseDoubleClickInterval(), platform);
}

}  // namespace
}  // namespace velorix
