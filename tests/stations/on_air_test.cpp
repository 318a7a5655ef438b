#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ScheduleEntry.h"

namespace velorix {
namespace {

// Reference: the minutes a schedule covers, found by walking the clock from
// its start to its end one minute at a time (wrapping at midnight).
std::set<int> WalkedMinutes(int startHhmm, int endHhmm) {
    std::set<int> minutes;
    const int start = startHhmm / 100 * 60 + startHhmm % 100;
    const int end = endHhmm / 100 * 60 + endHhmm % 100;
    if (start == end) return minutes;
    for (int m = start; m % 1440 != end % 1440 || m == start; ++m) {
        minutes.insert(m % 1440);
        if (m - start > 1440) break;
    }
    return minutes;
}

TEST(OnAirTime, EdgeCases) {
    struct Case {
        int start, end, now;
        bool onAir;
    };
    const std::vector<Case> cases = {
        {2200, 200, 2330, true},   {2200, 200, 130, true},   {2200, 200, 200, false},
        {2200, 200, 2200, true},   {2200, 200, 2159, false}, {2200, 200, 1200, false},
        {600, 700, 559, false},    {600, 700, 600, true},    {600, 700, 659, true},
        {600, 700, 700, false},    {0, 2400, 0, true},       {0, 2400, 2359, true},
        {1200, 1200, 1200, false}, {1200, 1200, 0, false},   {1200, 1200, 2359, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOnAirTime(c.start, c.end, c.now), c.onAir)
            << c.start << "-" << c.end << " at " << c.now;
}

TEST(OnAirTime, AgreesWithWalkingTheClockEveryMinute) {
    const std::vector<std::pair<int, int>> schedules = {
        {2200, 200}, {0, 2400}, {1200, 1200}, {600, 700},  {2330, 30},
        {0, 1},      {2359, 0}, {1015, 1345}, {1800, 600}, {0, 0}};
    for (const auto& [start, end] : schedules) {
        // 0000-2400 is the whole day; the walk cannot tell 2400 from 0000.
        const std::set<int> covered = end == 2400 ? WalkedMinutes(0, 0) : WalkedMinutes(start, end);
        int counted = 0;
        for (int m = 0; m < 1440; ++m) {
            const int hhmm = m / 60 * 100 + m % 60;
            const bool expected = end == 2400 ? true : covered.count(m) > 0;
            EXPECT_EQ(IsOnAirTime(start, end, hhmm), expected)
                << start << "-" << end << " at " << hhmm;
            counted += expected;
        }
        if (start == end) {
            EXPECT_EQ(counted, 0);
        }
    }
}

TEST(OnAirDay, DaysFieldScan) {
    const std::string week = "1234567";
    struct Case {
        std::string days;
        std::string onDays;  // weekday characters it shows on
    };
    const std::vector<Case> cases = {
        {"67     ", "67"},                          // Friday and Saturday only
        {"1234567", "1234567"},                     // every day
        {"       ", ""},                            // a leading space ends the scan with no
        {" 234567", ""},         {"1 3    ", "1"},  // the scan stops at the first space
        {"", "1234567"},                            // a missing field: no character says no
        {"xxxxxxx", "1234567"},                     // seven characters without a match count as yes
        {"xxxxxxx ", "1234567"},                    // only seven characters are scanned
        {"2", "1234567"},        {"2 ", "2"},
    };
    for (const Case& c : cases) {
        for (const char d : week) {
            const bool expected = c.onDays.find(d) != std::string::npos;
            EXPECT_EQ(IsOnAirDay(c.days, d), expected) << "'" << c.days << "' on " << d;
        }
    }
}

}  // namespace
}  // namespace velorix
