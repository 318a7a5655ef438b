#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "DeferredPress.h"

namespace velorix {
namespace {

class Deferred : public ::testing::Test {
protected:
    std::vector<PlotEvent> Collect(PlotEvents e) {
        return std::vector<PlotEvent>(e.at, e.at + e.count);
    }
    std::int64_t now = 1000;
    DeferredPress press{[this] { return now; }, 500};
};

TEST_F(Deferred, AQuickClickGivesNothing) {
    EXPECT_TRUE(Collect(press.Press(1, 10, 20)).empty());
    EXPECT_TRUE(Collect(press.Release(0, 10, 20)).empty());
    now += 500;
    EXPECT_TRUE(Collect(press.Poll()).empty());
    EXPECT_FALSE(press.Pending());
}

TEST_F(Deferred, AHeldPressFiresAfterTheInterval) {
    press.Press(1, 10, 20);
    now += 499;
    EXPECT_TRUE(Collect(press.Poll()).empty());
    now += 1;
    EXPECT_EQ(Collect(press.Poll()), (std::vector<PlotEvent>{{PlotEventKind::Press, 1, 10, 20}}));
    EXPECT_EQ(Collect(press.Release(0, 12, 20)),
              (std::vector<PlotEvent>{{PlotEventKind::Release, 0, 12, 20}}));
}

TEST_F(Deferred, ADoubleClickGivesTheDoubleClickOnly) {
    press.Press(1, 10, 20);
    EXPECT_TRUE(Collect(press.Release(0, 10, 20)).empty());
    now += 80;
    EXPECT_EQ(Collect(press.DoubleClick(1, 10, 20)),
              (std::vector<PlotEvent>{{PlotEventKind::DoubleClick, 1, 10, 20}}));
    EXPECT_TRUE(Collect(press.Release(0, 10, 20)).empty());
    now += 1000;
    EXPECT_TRUE(Collect(press.Poll()).empty());
}

TEST_F(Deferred, AMoveDeliversTheHeldPressAtOnce) {
    press.Press(1, 10, 20);
    now += 50;
    EXPECT_EQ(Collect(press.Move(1, 14, 21)),
              (std::vector<PlotEvent>{{PlotEventKind::Press, 1, 10, 20},
                                      {PlotEventKind::Move, 1, 14, 21}}));
    now += 1000;
    EXPECT_TRUE(Collect(press.Poll()).empty());
    EXPECT_EQ(Collect(press.Release(0, 14, 21)).size(), 1u);
}

}  // namespace
}  // namespace velorix
