#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "EibiEntry.h"
#include "EibiList.h"
#include "StationLists.h"
#include "TempDir.h"

namespace velorix {
namespace {

using Lines = std::vector<std::string>;

// Sample lines in the EiBi format, written for these tests: kHz 0-12,
// start 14-17, end 19-22, days 24-28 (not read), country 30-32, station
// 34-57, language 59-61, target 63-66, remark 75-81.
struct Sample {
    std::string line;
    int kHz;
    std::string formatted;
    std::string target;
};

const std::vector<Sample> kSamples = {
    {"6000          0000-2400       CUB Radio Havana Cuba        S   CNA         hab 2", 6000,
     "0000 2400 Radio Havana Cuba  - CUB (S)   hab", "CNA"},
    // A decimal fraction is dropped; the days column is not read; Latin-1.
    {"6000.5        1200-1300 Mo-Fr D   Deutsche Welle           G   Eu   Ro     J\xFCl", 6000,
     "1200 1300 Deutsche Welle  - D (G)   J\xC3\xBCl", "Eu"},
    // Single spaces inside a full-width name are kept.
    {"9420          0400-0600       GRC Voz de la Libertad Radio Gr  Eu   x      ERA", 9420,
     "0400 0600 Voz de la Libertad Radio - GRC (Gr)   ERA", "Eu"},
    // A short line: empty language, target and remark, still a line.
    {"7205          0300-0400       ALB Radio Tirana", 7205, "0300 0400 Radio Tirana  - ALB ()   ",
     ""},
    // Longer than 84 characters: the same columns; a double space cuts the name.
    {"11620         1700-1800 1245  IND All India  Radio GOS     E   WAf         b  long remark",
     11620, "1700 1800 All India  - IND (E)   b", "WAf"},
    // The same text in Latin-1 and in UTF-8 keeps its columns.
    {"5960          0100-0200       AUT Radio \xD6sterreich Int.    G   Eu          x", 5960,
     "0100 0200 Radio \xC3\x96sterreich Int.  - AUT (G)   x", "Eu"},
    {"5960          0100-0200       AUT Radio \xC3\x96sterreich Int.    G   Eu          x", 5960,
     "0100 0200 Radio \xC3\x96sterreich Int.  - AUT (G)   x", "Eu"},
};

TEST(EibiList, SampleLinesByColumn) {
    for (const Sample& s : kSamples) {
        ScheduleList list(ScheduleList::kEibiCapacity);
        LoadEibiText(s.line, list);
        ASSERT_EQ(list.Count(), 1) << s.line;
        const FrequencyEntry* entry = list.Find(s.kHz);
        ASSERT_NE(entry, nullptr) << s.line;
        const auto* e = dynamic_cast<const EibiEntry*>(entry->first);
        ASSERT_NE(e, nullptr) << s.line;
        EXPECT_EQ(e->Next(), nullptr);
        EXPECT_EQ(e->FormatLine(list), s.formatted) << s.line;
        EXPECT_EQ(e->target, s.target) << s.line;
        EXPECT_EQ(e->days, "1234567");
        // The name without the padding of its column.
        EXPECT_EQ(e->FormatLine(list).find(e->Name(list) + " "), 10u) << s.line;
        EXPECT_NE(e->Name(list).back(), ' ') << s.line;
    }
}

TEST(EibiList, StationNameCuts) {
    ScheduleList list(ScheduleList::kEibiCapacity);
    LoadEibiText(kSamples[0].line + "\n" + kSamples[2].line + "\n" + kSamples[4].line, list);
    // Two or more spaces after a name: exactly one trailing space.
    EXPECT_EQ(dynamic_cast<const EibiEntry*>(list.Find(6000)->first)->station,
              "Radio Havana Cuba ");
    EXPECT_EQ(dynamic_cast<const EibiEntry*>(list.Find(11620)->first)->station, "All India ");
    EXPECT_EQ(dynamic_cast<const EibiEntry*>(list.Find(9420)->first)->station,
              "Voz de la Libertad Radio");
}

TEST(EibiList, WholeFileWithHeadersCommentsAndBadLines) {
    const std::string text =
        "kHz:75;Time(UTC):93;Days:59;ITU:49;Station:201;Lng:49;Target:62;Remarks:135\n"
        ";comment\n"
        "\n"
        "Station list, season B26\r\n" +
        kSamples[0].line + "\r\n" + kSamples[1].line + "\r\n" +
        // unreadable times: the 6100 entry stays, empty
        "6100          xx00-0100       USA Test Station             E   NAm\r\n"
        "6110          0100\r\n" +
        "n/a           0000-2400       XXX Never\r\n" + kSamples[2].line;  // no line end
    ScheduleList list(ScheduleList::kEibiCapacity);
    LoadEibiText(text, list);
    ASSERT_EQ(list.Count(), 4);  // 6000, 6100, 6110, 9420
    EXPECT_EQ(list.ScheduleCount(), 3);
    ASSERT_NE(list.Find(6100), nullptr);
    EXPECT_EQ(list.Find(6100)->first, nullptr);
    EXPECT_EQ(list.Find(6110)->first, nullptr);
    // Reverse file order within 6000; 0000-2400 every day at every minute.
    EXPECT_EQ(StationLines(&list, 6000, 1230, '4'),
              (Lines{kSamples[1].formatted, kSamples[0].formatted}));
    for (char day = '1'; day <= '7'; ++day) {
        for (int hhmm : {0, 1, 1159, 1300, 2359})
            EXPECT_EQ(StationLines(&list, 6000, hhmm, day), Lines{kSamples[0].formatted})
                << day << " " << hhmm;
    }
    EXPECT_EQ(StationLines(&list, 9420, 500, '1'), Lines{kSamples[2].formatted});
}

TEST(EibiList, FullTableKeepsTheFirstFrequencies) {
    std::string text;
    for (int k = 1; k <= 8200; ++k) {
        std::string kHz = std::to_string(k);
        kHz.resize(14, ' ');
        text += kHz + "0000-2400       XYZ Station\n";
    }
    text += "8191          0100-0200       XYZ Late\n";
    ScheduleList list(ScheduleList::kEibiCapacity);
    LoadEibiText(text, list);
    EXPECT_EQ(list.Count(), 8191);
    EXPECT_EQ(list.Entry(8191).kHz, 8191);
    EXPECT_EQ(list.Find(8192), nullptr);
    EXPECT_EQ(list.Find(8200), nullptr);
    // The nine frequencies past the capacity are told once, by count.
    EXPECT_EQ(list.DroppedLines(), 9);
    list.NoteDropped("eibi.txt");
    list.NoteDropped("eibi.txt");
    EXPECT_EQ(list.Notes(),
              (std::vector<std::string>{"eibi.txt: the list holds 8191 frequencies; 9 lines beyond "
                                        "them were dropped"}));
    // 8191 is still the last opened entry: its later line joins it.
    EXPECT_EQ(StationLines(&list, 8191, 130, '1'),
              (Lines{"0100 0200 Late  - XYZ ()   ", "0000 2400 Station  - XYZ ()   "}));
}

TEST(EibiList, EibiAndUserListsFromADirectory) {
    test::TempDir dir{"stations"};
    EXPECT_EQ(LoadEibiList(dir.path().string())->Count(), 0);
    EXPECT_EQ(LoadUserList(dir.path().string())->Count(), 0);
    // A directory in place of the file reads as an empty list too.
    std::filesystem::create_directory(dir / "eibi.txt");
    const auto refused = LoadEibiList(dir.path().string());
    EXPECT_EQ(refused->Count(), 0);
    EXPECT_EQ(refused->Notes(),
              (std::vector<std::string>{(dir / "eibi.txt") + ": a directory, not a file"}));
    std::filesystem::remove(dir / "eibi.txt");

    dir.Write("eibi.txt", kSamples[0].line + "\n");
    // A user's own list: a non-numeric first field does not end the reading.
    dir.Write("userlist.txt", "My list\nfreq  time\n" + kSamples[2].line + "\n");
    const auto eibi = LoadEibiList(dir.path().string());
    const auto user = LoadUserList(dir.path().string());
    EXPECT_EQ(eibi->Capacity(), 8192);
    EXPECT_EQ(user->Capacity(), 8192);
    EXPECT_EQ(eibi->Count(), 1);
    EXPECT_NE(eibi->Find(6000), nullptr);
    // The user list does not read eibi.txt.
    EXPECT_EQ(user->Count(), 1);
    EXPECT_EQ(user->Find(6000), nullptr);
    EXPECT_EQ(StationLines(user.get(), 9420, 400, '3'), Lines{kSamples[2].formatted});
}

// The working directory first, then the data directories: each list from the
// first that holds its file.
TEST(EibiList, EachListComesFromTheFirstDirectoryHoldingIt) {
    test::TempDir work, data;
    work.Write("userlist.txt", kSamples[2].line + "\n");
    data.Write("userlist.txt", kSamples[0].line + "\n");
    data.Write("eibi.txt", kSamples[0].line + "\n" + kSamples[2].line + "\n");
    const StationLists lists = LoadStationLists({work.path().string(), data.path().string()});
    EXPECT_EQ(lists.eibi->Count(), 2);
    EXPECT_EQ(lists.user->Count(), 1);
    EXPECT_NE(lists.user->Find(9420), nullptr);
    EXPECT_EQ(lists.hfcc->Count(), 0);
    EXPECT_EQ(LoadStationLists({}).eibi->Count(), 0);
}

}  // namespace
}  // namespace velorix
