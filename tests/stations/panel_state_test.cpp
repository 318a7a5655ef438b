#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>
#include <vector>

#include "EibiList.h"
#include "StationPanelState.h"

namespace velorix {
namespace {

using Lines = std::vector<std::string>;

// Reference instants, converted independently (date -u -d @N).
constexpr std::int64_t kSun20240107_0000 = 1704585600;  // Sunday 2024-01-07 00:00:00
constexpr std::int64_t kThu20240111_2359 = 1705017599;  // Thursday 2024-01-11 23:59:59
constexpr std::int64_t kDay = 86400;

TEST(PanelClock, HhmmAndWeekdayFromUtcSeconds) {
    struct Case {
        std::int64_t seconds;
        int hhmm;
        char weekday;
    };
    const std::vector<Case> cases = {
        {0, 0, '5'},  // 1970-01-01 was a Thursday
        {kSun20240107_0000, 0, '1'},
        {kSun20240107_0000 + 59, 0, '1'},
        {kSun20240107_0000 + 60, 1, '1'},
        {kSun20240107_0000 - 1, 2359, '7'},
        {kSun20240107_0000 + 6 * kDay + 12 * 3600 + 34 * 60, 1234, '7'},
        {kThu20240111_2359, 2359, '5'},
        {kThu20240111_2359 + 1, 0, '6'},
    };
    for (const Case& c : cases) {
        PanelClock clock;
        ASSERT_TRUE(PanelClockAt(c.seconds, clock)) << c.seconds;
        EXPECT_EQ(clock.hhmm, c.hhmm) << c.seconds;
        EXPECT_EQ(clock.weekday, c.weekday) << c.seconds;
    }
    PanelClock unchanged{1234, '3'};
    EXPECT_FALSE(PanelClockAt(INT64_MAX, unchanged));
    EXPECT_EQ(unchanged.hhmm, 1234);
}

TEST(PanelClock, SystemClockIsSecondsSince1970) {
    const std::int64_t before = std::time(nullptr);
    const std::int64_t now = SystemSecondsUtc();
    const std::int64_t after = std::time(nullptr);
    EXPECT_GE(now, before - 1);
    EXPECT_LE(now, after + 1);
}

TEST(PanelFrequency, TunedHzRoundsToTheNearestKHz) {
    struct Case {
        std::int64_t hz;
        int kHz;
    };
    const std::vector<Case> cases = {
        {5999600, 6000},
        {5999400, 5999},
        {5999500, 6000},
        {6000499, 6000},
        {0, 0},
        {499, 0},
        {500, 1},
        {40000000, 40000},
        {-400, 0},
        {-600, -1},
        {INT64_MAX, INT_MAX},
        {INT64_MIN, INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TunedKHz(c.hz), c.kHz) << c.hz;
}

// A clock the test sets.
struct SetClock {
    std::int64_t seconds = kSun20240107_0000;
    StationPanelState::TimeSource Source() {
        return [this] { return seconds; };
    }
};

TEST(StationPanelState, RedrawsOnlyWhenWhatItShowsChanges) {
    SetClock clock;
    StationPanelState panel(clock.Source());
    EXPECT_EQ(panel.NowHhmm(), 0);
    EXPECT_EQ(panel.Weekday(), '1');

    EXPECT_TRUE(panel.SetFrequency(5999600));
    EXPECT_EQ(panel.KHz(), 6000);
    EXPECT_FALSE(panel.SetFrequency(6000400));  // still 6000 kHz
    EXPECT_TRUE(panel.SetFrequency(5999400));
    EXPECT_EQ(panel.KHz(), 5999);

    clock.seconds += 30;
    EXPECT_FALSE(panel.Tick());  // same minute
    clock.seconds += 30;
    EXPECT_TRUE(panel.Tick());
    EXPECT_EQ(panel.NowHhmm(), 1);
    // Same hhmm a day later: the weekday alone changes what is on the air.
    clock.seconds += kDay;
    EXPECT_TRUE(panel.Tick());
    EXPECT_EQ(panel.NowHhmm(), 1);
    EXPECT_EQ(panel.Weekday(), '2');

    // Own clock off (playback): the timer leaves the clock alone, the
    // recording's time is given instead.
    panel.SetOwnClock(false);
    clock.seconds += 3600;
    EXPECT_FALSE(panel.Tick());
    EXPECT_EQ(panel.NowHhmm(), 1);
    EXPECT_TRUE(panel.SetClock(kThu20240111_2359));
    EXPECT_EQ(panel.NowHhmm(), 2359);
    EXPECT_EQ(panel.Weekday(), '5');
    EXPECT_FALSE(panel.SetClock(kThu20240111_2359 - 30));
    EXPECT_FALSE(panel.SetClock(INT64_MIN));  // unconvertible: ignored
    EXPECT_EQ(panel.NowHhmm(), 2359);
    panel.SetOwnClock(true);
    EXPECT_TRUE(panel.Tick());
    EXPECT_EQ(panel.NowHhmm(), 101);
}

TEST(StationPanelState, LinesForTheListFrequencyAndClock) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    LoadEibiText(
        "5999          0000-2400       AAA Below\n"
        "6000          2200-0200       BBB Night\n"
        "6000          0000-2400       CCC All Day\n"
        "6000          1200-1200       DDD Never\n",
        list);
    SetClock clock;
    clock.seconds = kSun20240107_0000 + 23 * 3600 + 30 * 60;  // 2330
    StationPanelState panel(clock.Source());
    EXPECT_TRUE(panel.Lines().empty());  // no list yet
    EXPECT_TRUE(panel.SetList(&list));
    panel.SetFrequency(5999600);
    const std::string night = "2200 0200 Night  - BBB ()   ";
    const std::string allDay = "0000 2400 All Day  - CCC ()   ";
    EXPECT_EQ(panel.Lines(), (Lines{allDay, night}));
    clock.seconds += 2 * 3600;  // 0130
    panel.Tick();
    EXPECT_EQ(panel.Lines(), (Lines{allDay, night}));
    clock.seconds += 30 * 60;  // 0200
    panel.Tick();
    EXPECT_EQ(panel.Lines(), Lines{allDay});
    panel.SetFrequency(5999400);
    EXPECT_EQ(panel.Lines(), Lines{"0000 2400 Below  - AAA ()   "});
    panel.SetList(nullptr);
    EXPECT_TRUE(panel.Lines().empty());
}

}  // namespace
}  // namespace velorix
