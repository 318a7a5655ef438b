#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HfccEntry.h"
#include "HfccList.h"
#include "TempDir.h"

namespace velorix {
namespace {

using Lines = std::vector<std::string>;

// Sample files in the HFCC formats, written for these tests.
// site.txt: code 0-2, name 4-33, ignored 35-37, field A 39-43, field B 45-50.
const std::string kSites =
    "; sites, sorted by code\n"
    "ASC ASCENSION ISLAND               ASC 014W2 07S54 \n"
    "NAU NAUEN                          D   012E5 52N38E\r\n"
    "SNG SINGAPORE  KRANJI              SNG 103E4 01N25\n";

// broadcas.txt: code 0-2, name 4-33.
const std::string kBroadcasters =
    ";BROADCASTERS\n"
    "BBC BRITISH BROADCASTING CORP.\n"
    "DWL DEUTSCHE WELLE\n"
    "RFI RADIO FRANCE INTERNATIONALE     XX\n";

// hfcc.txt: kHz 0-4, start 6-9, end 11-14, site 47-49, kW 51-54, azimuth
// 56-62, days 72-78, text 102-111, broadcaster 117-119.
const std::string kHfcc1 =
    " 5995 0600 0700 27,28 EUR                      NAU  250     135 0       1234567 01012026 "
    "28032026     D   ABC123     DWL";
const std::string kHfcc2 =
    " 6000 2200 0200 46,47                          ASC   50      90 30      67      01012026 "
    "28032026     NR 1           BBC";
const std::string kHfcc3 =
    " 6000 1200 1300 46,47                          XYZ  100     200         1234567         "
    "                             BBC";
const std::string kHfcc4 =
    " 6010 1500 1600 54                             SNG  125      45         1234567         "
    "                             QQQ";

std::unique_ptr<ScheduleList> SampleList(const std::string& hfcc) {
    auto list = std::make_unique<ScheduleList>(ScheduleList::kHfccCapacity);
    LoadSiteText(kSites, list->Sites());
    LoadBroadcasterText(kBroadcasters, list->Broadcasters());
    LoadHfccText(hfcc, *list);
    return list;
}

TEST(HfccCodeFiles, SitesAndBroadcastersByColumn) {
    SiteTable sites;
    LoadSiteText(kSites, sites);
    ASSERT_EQ(sites.Count(), 3);
    struct Expected {
        StationCode code;
        std::string name, fieldA, fieldB;
    };
    const std::vector<Expected> expected = {
        {{U'A', U'S', U'C'}, "ASCENSION ISLAND ", "014W2", "07S54 "},
        {{U'N', U'A', U'U'}, "NAUEN ", "012E5", "52N38E"},
        // A double space inside the name cuts it; a short line a short field.
        {{U'S', U'N', U'G'}, "SINGAPORE ", "103E4", "01N25"},
    };
    for (const Expected& e : expected) {
        const SiteRecord* record = sites.At(sites.Find(e.code));
        ASSERT_NE(record, nullptr) << e.name;
        EXPECT_EQ(record->name, e.name);
        EXPECT_EQ(record->fieldA, e.fieldA);
        EXPECT_EQ(record->fieldB, e.fieldB);
    }
    EXPECT_EQ(sites.Find({U'X', U'Y', U'Z'}), -1);
    EXPECT_EQ(sites.Find({U';', U' ', U's'}), -1);  // the comment is no record

    BroadcasterTable broadcasters;
    LoadBroadcasterText(kBroadcasters, broadcasters);
    ASSERT_EQ(broadcasters.Count(), 3);
    EXPECT_EQ(broadcasters.At(broadcasters.Find({U'B', U'B', U'C'}))->name,
              "BRITISH BROADCASTING CORP.");
    EXPECT_EQ(broadcasters.At(broadcasters.Find({U'D', U'W', U'L'}))->name, "DEUTSCHE WELLE");
    // Broadcaster names are not cut: columns 4-33 whole.
    EXPECT_EQ(broadcasters.At(broadcasters.Find({U'R', U'F', U'I'}))->name,
              "RADIO FRANCE INTERNATIONALE   ");
}

TEST(HfccCodeFiles, FullTableDropsFurtherLinesAndSearchFindsEveryStoredCode) {
    std::string text;
    auto code = [](int i) {
        return std::string{static_cast<char>('A' + i / 676), static_cast<char>('A' + i / 26 % 26),
                           static_cast<char>('A' + i % 26)};
    };
    for (int i = 0; i < 1030; ++i)
        text += code(i) + " BROADCASTER " + std::to_string(i) + "\n";
    BroadcasterTable table;
    LoadBroadcasterText(text, table);
    EXPECT_EQ(table.Count(), 1024);
    for (int i = 0; i < 1030; ++i) {
        const std::string c = code(i);
        const int found = table.Find({char32_t(c[0]), char32_t(c[1]), char32_t(c[2])});
        EXPECT_EQ(found, i < 1024 ? i : -1) << c;
    }
}

TEST(HfccList, LinesByColumnAndTheirDisplayText) {
    const auto list = SampleList(kHfcc1 + "\n" + kHfcc2 + "\n" + kHfcc3 + "\n" + kHfcc4 + "\n");
    ASSERT_EQ(list->Count(), 3);
    ASSERT_EQ(list->ScheduleCount(), 4);

    const auto* first = dynamic_cast<const HfccEntry*>(list->Find(5995)->first);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->start, 600);
    EXPECT_EQ(first->end, 700);
    EXPECT_EQ(first->powerKW, 250);
    EXPECT_EQ(first->azimuth, 135);
    EXPECT_EQ(first->days, "1234567");
    EXPECT_EQ(first->text, "D   ABC123");
    EXPECT_EQ(first->site, list->Sites().Find({U'N', U'A', U'U'}));
    EXPECT_EQ(first->broadcaster, list->Broadcasters().Find({U'D', U'W', U'L'}));
    EXPECT_EQ(first->FormatLine(*list), "0600 0700 DEUTSCHE WELLE - NAUEN  012E5 52N38E 250 kW");
    EXPECT_EQ(first->Name(*list), "DEUTSCHE WELLE");

    // 6000 holds two lines, the later one first.
    const auto* late = dynamic_cast<const HfccEntry*>(list->Find(6000)->first);
    ASSERT_NE(late, nullptr);
    ASSERT_NE(late->Next(), nullptr);
    EXPECT_EQ(late->Next()->Next(), nullptr);
    // Unknown site XYZ: one space for its name and for each of its fields.
    EXPECT_EQ(late->site, -1);
    EXPECT_EQ(late->FormatLine(*list), "1200 1300 BRITISH BROADCASTING CORP. - " +
                                           std::string(" ") + " " + " " + " " + " " + " 100 kW");
    EXPECT_EQ(late->Next()->days, "67     ");
    EXPECT_EQ(late->Next()->FormatLine(*list),
              "2200 0200 BRITISH BROADCASTING CORP. - ASCENSION ISLAND  014W2 07S54   50 kW");

    // Unknown broadcaster QQQ.
    EXPECT_EQ(list->Find(6010)->first->FormatLine(*list),
              "1500 1600   - SINGAPORE  103E4 01N25 125 kW");
}

TEST(HfccList, PanelLinesFollowTimeAndDays) {
    const auto list = SampleList(kHfcc1 + "\n" + kHfcc2 + "\n" + kHfcc3 + "\n");
    const std::string night =
        "2200 0200 BRITISH BROADCASTING CORP. - ASCENSION ISLAND  014W2 07S54   50 kW";
    const std::string noon = "1200 1300 BRITISH BROADCASTING CORP. -       100 kW";
    EXPECT_EQ(StationLines(list.get(), 6000, 1230, '3'), Lines{noon});
    EXPECT_EQ(StationLines(list.get(), 6000, 2330, '6'), Lines{night});  // Friday
    EXPECT_EQ(StationLines(list.get(), 6000, 130, '7'), Lines{night});   // Saturday
    EXPECT_EQ(StationLines(list.get(), 6000, 200, '7'), Lines{});
    EXPECT_EQ(StationLines(list.get(), 6000, 2330, '1'), Lines{});  // Sunday
    EXPECT_EQ(StationLines(list.get(), 5995, 659, '1').size(), 1u);
    EXPECT_EQ(StationLines(list.get(), 5995, 700, '1').size(), 0u);

    // A line that ends before the days column is daily.
    const auto cut = SampleList(kHfcc1.substr(0, 64));
    ASSERT_NE(cut->Find(5995), nullptr);
    ASSERT_NE(cut->Find(5995)->first, nullptr);
    EXPECT_EQ(cut->Find(5995)->first->days, "");
    for (char day = '1'; day <= '7'; ++day)
        EXPECT_EQ(StationLines(cut.get(), 5995, 630, day).size(), 1u) << day;
}

TEST(HfccList, RecordsThatCannotBeReadGiveTheDashedLine) {
    // The entry names site 5 and broadcaster 0 of a list that has neither.
    const HfccEntry entry(600, 700, "1234567", 5, 0, 250, 90, "");
    const ScheduleList bare(ScheduleList::kHfccCapacity);
    EXPECT_EQ(entry.FormatLine(bare), "0600 0700 250 kW -------------");
    EXPECT_EQ(entry.Name(bare), "");
    const HfccEntry unknown(5, 2400, "1234567", -1, -1, 7, 0, "");
    EXPECT_EQ(unknown.FormatLine(bare), "0005 2400   - " + std::string("     ") + "   7 kW");
}

TEST(HfccList, UnreadableLinesAreSkippedSilently) {
    std::string bad1 = kHfcc2;
    bad1.replace(6, 4, "xx00");  // unreadable start: the 6000 entry stays, empty
    std::string bad2 = kHfcc1;
    bad2.replace(51, 4, "    ");  // no power
    const std::string text =
        "; comment 6000 0600 0700\n"
        "FREQ START STOP\n" +
        bad2 + "\n" + bad1 + "\n" + "short\n\n" + " 6005 0600\n";
    const auto list = SampleList(text);
    // 5995 and 6000 open entries before their lines fail; the short 6005
    // line opens its entry too.
    ASSERT_EQ(list->Count(), 3);
    EXPECT_EQ(list->ScheduleCount(), 0);
    ASSERT_NE(list->Find(6000), nullptr);
    EXPECT_EQ(list->Find(6000)->first, nullptr);
    EXPECT_TRUE(StationLines(list.get(), 6000, 2300, '6').empty());
}

TEST(HfccList, LongLinesAndALastLineWithoutLineEnd) {
    // 400 characters; from column 256 it carries what looks like another line,
    // which a 255-character reader would have taken as one.
    std::string longLine = kHfcc1;
    longLine.resize(256, ' ');
    longLine += kHfcc4;
    longLine.resize(400, '#');
    const auto list = SampleList(longLine + "\n" + kHfcc3);  // no line end after the last
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(list->ScheduleCount(), 2);
    EXPECT_EQ(list->Find(6010), nullptr);
    EXPECT_EQ(list->Find(5995)->first->FormatLine(*list),
              "0600 0700 DEUTSCHE WELLE - NAUEN  012E5 52N38E 250 kW");
    ASSERT_NE(list->Find(6000), nullptr);
    EXPECT_NE(list->Find(6000)->first, nullptr);
}

TEST(HfccList, LoadsTheThreeFilesFromADirectory) {
    test::TempDir dir{"stations"};
    // Nothing there: an empty list, no message.
    auto empty = LoadHfccList(dir.path().string());
    EXPECT_EQ(empty->Count(), 0);
    EXPECT_EQ(empty->Capacity(), 4096);
    EXPECT_EQ(empty->Sites().Capacity(), 1024);

    // Only hfcc.txt: every code unknown.
    dir.Write("hfcc.txt", kHfcc1 + "\r\n");
    auto bare = LoadHfccList(dir.path().string());
    ASSERT_EQ(bare->Count(), 1);
    EXPECT_EQ(bare->Find(5995)->first->FormatLine(*bare), "0600 0700   -       250 kW");

    dir.Write("site.txt", kSites);
    dir.Write("broadcas.txt", kBroadcasters);
    auto full = LoadHfccList(dir.path().string());
    EXPECT_EQ(full->Sites().Count(), 3);
    EXPECT_EQ(full->Broadcasters().Count(), 3);
    EXPECT_EQ(StationLines(full.get(), 5995, 600, '2'),
              Lines{"0600 0700 DEUTSCHE WELLE - NAUEN  012E5 52N38E 250 kW"});
}

}  // namespace
}  // namespace velorix
