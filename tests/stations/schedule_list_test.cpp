#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ScheduleList.h"

namespace velorix {
namespace {

// An entry that shows its own name, so that chain order is visible.
class NamedEntry : public ScheduleEntry {
public:
    NamedEntry(std::string name, int startHhmm = 0, int endHhmm = 2400,
               std::string dayList = "1234567")
        : ScheduleEntry(startHhmm, endHhmm, std::move(dayList)), m_name(std::move(name)) {}
    std::string FormatLine(const ScheduleList&) const override { return m_name; }
    std::string Name(const ScheduleList&) const override { return m_name; }

private:
    std::string m_name;
};

// Reads lines "kHz name" into `list` the way the loaders do.
void AddLines(ScheduleList& list, const std::vector<std::pair<int, std::string>>& lines) {
    for (const auto& [kHz, name] : lines) {
        if (list.OpenFrequency(kHz)) list.AddEntry(std::make_unique<NamedEntry>(name));
    }
}

std::vector<std::string> Chain(const FrequencyEntry* entry, const ScheduleList& list) {
    std::vector<std::string> names;
    for (const ScheduleEntry* e = entry ? entry->first : nullptr; e; e = e->Next())
        names.push_back(e->FormatLine(list));
    return names;
}

TEST(ScheduleList, EmptyListFindsNothingNotEvenTheSentinel) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Entry(0).kHz, 0);
    for (const int kHz : {0, 1, 6000, -1})
        EXPECT_EQ(list.Find(kHz), nullptr) << kHz;
    EXPECT_TRUE(StationLines(&list, 6000, 1200, '2').empty());
    EXPECT_TRUE(StationLines(nullptr, 6000, 1200, '2').empty());
    // A line of frequency 0 before any other joins the sentinel: never shown.
    AddLines(list, {{0, "zero"}});
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Find(0), nullptr);
}

TEST(ScheduleList, SingleFrequencyIsFound) {
    ScheduleList list(ScheduleList::kHfccCapacity);
    AddLines(list, {{6000, "a"}});
    ASSERT_EQ(list.Count(), 1);
    const FrequencyEntry* e = list.Find(6000);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kHz, 6000);
    EXPECT_EQ(list.Find(5999), nullptr);
    EXPECT_EQ(list.Find(6001), nullptr);
}

TEST(ScheduleList, SameFrequencyLinesChainInReverseFileOrder) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    AddLines(list, {{5990, "x"}, {6000, "a"}, {6000, "b"}, {6000, "c"}, {6010, "y"}});
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ScheduleCount(), 5);
    EXPECT_EQ(Chain(list.Find(6000), list), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(Chain(list.Find(5990), list), (std::vector<std::string>{"x"}));
    EXPECT_EQ(StationLines(&list, 6000, 1200, '4'), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(ScheduleList, UnsortedLinesOpenAnEntryPerChange) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    AddLines(list, {{6000, "a"}, {6005, "b"}, {6000, "c"}});
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Entry(1).kHz, 6000);
    EXPECT_EQ(list.Entry(2).kHz, 6005);
    EXPECT_EQ(list.Entry(3).kHz, 6000);
    // Whatever the search finds, it is a 6000 entry or nothing.
    const FrequencyEntry* e = list.Find(6000);
    if (e != nullptr) {
        EXPECT_EQ(e->kHz, 6000);
    }
}

TEST(ScheduleList, FullTableDropsLinesThatNeedANewEntry) {
    // Capacity 4: the sentinel and three stored entries.
    ScheduleList list(4);
    AddLines(list, {{100, "a"},
                    {200, "b"},
                    {300, "c"},
                    {400, "dropped"},
                    {300, "d"},
                    {500, "dropped too"},
                    {300, "e"}});
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Find(400), nullptr);
    EXPECT_EQ(list.Find(500), nullptr);
    EXPECT_EQ(Chain(list.Find(300), list), (std::vector<std::string>{"e", "d", "c"}));
    EXPECT_EQ(list.ScheduleCount(), 5);

    ScheduleList full(ScheduleList::kEibiCapacity);
    for (int k = 1; k <= 9000; ++k)
        AddLines(full, {{k, "s"}});
    EXPECT_EQ(full.Count(), ScheduleList::kEibiCapacity - 1);
    EXPECT_NE(full.Find(8191), nullptr);
    EXPECT_EQ(full.Find(8192), nullptr);
}

TEST(ScheduleList, BinarySearchAgreesWithALinearScan) {
    std::mt19937 rng(10);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = trial < 4 ? trial : static_cast<int>(rng() % 300);
        std::vector<int> freqs;
        int f = 1 + static_cast<int>(rng() % 5);
        for (int i = 0; i < n; ++i) {
            freqs.push_back(f);
            f += 1 + static_cast<int>(rng() % 4);
        }
        ScheduleList list(ScheduleList::kHfccCapacity);
        for (const int k : freqs)
            AddLines(list, {{k, std::to_string(k)}});
        for (int k = -1; k <= f + 1; ++k) {
            const bool stored = std::find(freqs.begin(), freqs.end(), k) != freqs.end();
            const FrequencyEntry* e = list.Find(k);
            ASSERT_EQ(e != nullptr, stored) << "kHz " << k << " trial " << trial;
            if (e != nullptr) {
                EXPECT_EQ(Chain(e, list), std::vector<std::string>{std::to_string(k)});
            }
        }
    }
}

TEST(StationLines, OnlyEntriesOnTheAirInChainOrder) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    ASSERT_TRUE(list.OpenFrequency(9400));
    list.AddEntry(std::make_unique<NamedEntry>("morning", 600, 900));
    list.AddEntry(std::make_unique<NamedEntry>("night", 2200, 200));
    list.AddEntry(std::make_unique<NamedEntry>("weekend", 0, 2400, "17     "));
    list.AddEntry(std::make_unique<NamedEntry>("never", 1200, 1200));
    using Lines = std::vector<std::string>;
    EXPECT_EQ(StationLines(&list, 9400, 700, '1'), (Lines{"weekend", "morning"}));
    EXPECT_EQ(StationLines(&list, 9400, 700, '3'), (Lines{"morning"}));
    EXPECT_EQ(StationLines(&list, 9400, 2330, '7'), (Lines{"weekend", "night"}));
    EXPECT_EQ(StationLines(&list, 9400, 1200, '4'), Lines{});
    EXPECT_EQ(StationLines(&list, 9401, 700, '1'), Lines{});
}

}  // namespace
}  // namespace velorix
