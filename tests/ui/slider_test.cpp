#include <gtest/gtest.h>

#include <QSignalSpy>
#include <stdexcept>

#include "Skin.h"
#include "UiTest.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

class VolumeSlider : public ::testing::Test {
protected:
    VolumeSlider() : slider("187", "188", {}, 334, nullptr) { slider.SetValueRange(-400, 0); }
    int T() const { return slider.ThumbHeight(); }
    int R() const { return slider.Range(); }

    VerticalSlider slider;
    QSignalSpy moves{&slider, &VerticalSlider::moved};
};

TEST_F(VolumeSlider, PressBelowTheThumbCentresItThereAndNotifies) {
    ASSERT_EQ(slider.Position(), 0);
    test::Press(slider, {10, 60});
    EXPECT_EQ(slider.Position(), 60 - T() / 2);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves[0][0].toInt(), 334);
    EXPECT_EQ(moves[0][1].toInt(), 60 - T() / 2);
    // The thumb's middle row is under the pointer.
    const QImage shown = test::Render(slider);
    const QImage& thumb = skin::Skin::Shared().Face("188");
    EXPECT_EQ(test::At(shown, 10, slider.Position() + T() / 2), test::At(thumb, 10, T() / 2));
}

TEST_F(VolumeSlider, TopIsZeroAndBottomIsMinusFourHundred) {
    EXPECT_DOUBLE_EQ(slider.Value(), 0.0);
    test::Press(slider, {10, slider.height() - 1});
    EXPECT_EQ(slider.Position(), R());
    EXPECT_DOUBLE_EQ(slider.Value(), -400.0);
    slider.SetValue(-200);
    EXPECT_EQ(slider.Position(), R() / 2);
    slider.SetValue(100);  // above the range: the top
    EXPECT_EQ(slider.Position(), 0);
}

TEST_F(VolumeSlider, PressOnTheThumbDoesNotMoveItAndDragsFollowThePointer) {
    slider.SetValue(-200);
    const int p = slider.Position();
    test::Press(slider, {10, p + 2});
    EXPECT_EQ(slider.Position(), p);
    EXPECT_EQ(moves.count(), 0);
    test::Drag(slider, {10, p + 12});
    EXPECT_EQ(slider.Position(), p + 10);
    // However far the drag goes, the thumb stays on the track.
    test::Drag(slider, {10, 5000});
    EXPECT_EQ(slider.Position(), R());
    test::Drag(slider, {10, -5000});
    EXPECT_EQ(slider.Position(), 0);
    test::Release(slider, {10, -5000});
    EXPECT_EQ(moves.count(), 3);
}

TEST_F(VolumeSlider, DisabledIgnoresThePointer) {
    slider.SetEnabled(false);
    test::Press(slider, {10, 100});
    test::Drag(slider, {10, 120});
    EXPECT_EQ(slider.Position(), 0);
    EXPECT_EQ(moves.count(), 0);
}

TEST(VerticalSlider, RefusesAThumbNotShorterThanTheTrack) {
    EXPECT_THROW(VerticalSlider("187", "187", {}, 330, nullptr), std::invalid_argument);
}

}  // namespace
}  // namespace velorix
