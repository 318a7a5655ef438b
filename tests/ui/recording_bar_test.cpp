#include <gtest/gtest.h>

#include <QSignalSpy>

#include "RecordingBar.h"
#include "UiTest.h"

namespace velorix {
namespace {

class Bar : public ::testing::Test {
protected:
    Bar() : bar("204", {}, nullptr) { bar.SetRange(1000, 1000 + 1580); }
    int L() const { return bar.TrackLength(); }
    std::pair<qint64, qint64> Chosen(int i) const {
        return {chosen[i][0].toLongLong(), chosen[i][1].toLongLong()};
    }

    RecordingBar bar;
    QSignalSpy chosen{&bar, &RecordingBar::playRangeSelected};
};

TEST_F(Bar, ClickWithoutMovingAsksForTheWholeRange) {
    test::Click(bar, {300, 16});
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(Chosen(0), std::make_pair(qint64{1000}, qint64{2580}));
    EXPECT_EQ(bar.SelectionStart(), bar.SelectionEnd());
}

TEST_F(Bar, DragChoosesBytesAndBeyondTheEndStopsThere) {
    ASSERT_EQ(L(), 790);  // 2 bytes a pixel
    test::Press(bar, {105, 16});
    test::Drag(bar, {2000, 16});
    EXPECT_EQ(bar.SelectionEnd(), 5 + L());
    test::Release(bar, {2000, 16});
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(Chosen(0), std::make_pair(qint64{1200}, qint64{2580}));
}

TEST_F(Bar, PressLeftOfTheTrackIsClampedToItsStart) {
    test::Press(bar, {2, 16});
    EXPECT_EQ(bar.SelectionStart(), 5);
    test::Drag(bar, {55, 16});
    test::Release(bar, {55, 16});
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(Chosen(0), std::make_pair(qint64{1000}, qint64{1100}));
    // Right to left gives the same stretch.
    test::Press(bar, {55, 16});
    test::Release(bar, {-40, 16});
    EXPECT_EQ(Chosen(1), std::make_pair(qint64{1000}, qint64{1100}));
}

TEST_F(Bar, OnlyAReleaseThatEndsAStartedSelectionChooses) {
    test::Press(bar, {100, 5});  // above the track band
    test::Release(bar, {200, 5});
    EXPECT_EQ(chosen.count(), 0);
    bar.SetEnabled(false);
    test::Press(bar, {100, 16});
    test::Release(bar, {200, 16});
    EXPECT_EQ(chosen.count(), 0);
}

TEST_F(Bar, DrawsThePositionAndTheSelectionInTheirColours) {
    bar.SetPosition(1000 + 600);  // bar end at x 305
    test::Press(bar, {205, 16});
    test::Drag(bar, {405, 16});
    test::Release(bar, {405, 16});
    const QImage shown = test::Render(bar);
    EXPECT_EQ(test::At(shown, 100, 15), test::Rgb(245, 203, 56));   // bar
    EXPECT_EQ(test::At(shown, 250, 15), test::Rgb(255, 255, 128));  // bar in the selection
    EXPECT_EQ(test::At(shown, 350, 15), test::Rgb(128, 128, 64));   // selected track
    EXPECT_EQ(test::At(shown, 500, 15), test::Rgb(84, 84, 65));     // track
    EXPECT_NE(test::At(shown, 500, 13), test::Rgb(84, 84, 65));     // above the track rows
}

TEST_F(Bar, EmptyRangeStaysAtItsStartAndSelectsNothing) {
    bar.SetRange(0, 0);  // a header-only recording
    bar.SetPosition(500);
    EXPECT_EQ(bar.BarEnd(), 5);
    test::Press(bar, {100, 16});
    test::Drag(bar, {300, 16});
    test::Release(bar, {300, 16});
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(Chosen(0), std::make_pair(qint64{0}, qint64{0}));
    EXPECT_EQ(bar.SelectionStart(), bar.SelectionEnd());
    bar.SetRange(100, 50);  // reversed: just as empty
    bar.SetPosition(75);
    EXPECT_EQ(bar.BarEnd(), 5);
}

}  // namespace
}  // namespace velorix
