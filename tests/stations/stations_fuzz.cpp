// Fuzz entry point for the station list parsers. libFuzzer drives it in the
// fuzz tree; stations_tests links the same code and replays the committed
// corpus through it. One input is read as every list file at once.
#include "stations_fuzz.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "EibiList.h"
#include "HfccList.h"
#include "ScheduleList.h"

namespace velorix {

namespace {

// Strict UTF-8 without control characters: what the panel and a terminal
// may be given.
bool IsCleanUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int n = b < 0x80                 ? 1
                : b >= 0xC2 && b <= 0xDF ? 2
                : b >= 0xE0 && b <= 0xEF ? 3
                : b >= 0xF0 && b <= 0xF4 ? 4
                                         : 0;
        if (n == 0 || i + n > text.size() || b < 0x20 || b == 0x7F) return false;
        for (int k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

std::string CheckList(const ScheduleList& list) {
    if (list.Count() < 0 || list.Count() > list.Capacity() - 1)
        return "entry count beyond the capacity";
    bool ascending = true;
    for (int i = 2; i <= list.Count(); ++i)
        ascending = ascending && list.Entry(i).kHz > list.Entry(i - 1).kHz;
    int chained = 0;
    for (int i = 0; i <= list.Count(); ++i) {
        const FrequencyEntry& entry = list.Entry(i);
        for (const ScheduleEntry* e = entry.first; e != nullptr; e = e->Next()) {
            if (++chained > list.ScheduleCount()) return "chains longer than the entries stored";
            if (!IsCleanUtf8(e->FormatLine(list))) return "display text is not clean UTF-8";
        }
        if (i > 0) {
            const FrequencyEntry* found = list.Find(entry.kHz);
            if (found != nullptr && found->kHz != entry.kHz)
                return "lookup found another frequency";
            if (ascending && found == nullptr)
                return "lookup missed a stored frequency of a sorted list";
            for (const int hhmm : {0, 130, 1200, 2330}) {
                if (StationLines(&list, entry.kHz, hhmm, '1').size() >
                    static_cast<std::size_t>(list.ScheduleCount()))
                    return "more lines than entries";
            }
        }
    }
    if (chained != list.ScheduleCount()) return "entries stored outside every chain";
    return {};
}

}  // namespace

std::string CheckStationParsers(std::string_view text) {
    // Full-size lists, and small ones so that the drop at capacity is reached.
    for (const int capacity : {ScheduleList::kHfccCapacity, 3}) {
        ScheduleList hfcc(capacity);
        LoadSiteText(text, hfcc.Sites());
        LoadBroadcasterText(text, hfcc.Broadcasters());
        LoadHfccText(text, hfcc);
        if (hfcc.Sites().Count() > 1024 || hfcc.Broadcasters().Count() > 1024)
            return "code table beyond 1024 records";
        for (int i = 0; i < hfcc.Sites().Count(); ++i) {
            const SiteRecord* s = hfcc.Sites().At(i);
            if (!IsCleanUtf8(s->name) || !IsCleanUtf8(s->fieldA) || !IsCleanUtf8(s->fieldB))
                return "site record is not clean UTF-8";
        }
        std::string problem = CheckList(hfcc);
        if (!problem.empty()) return "hfcc: " + problem;
    }
    for (const int capacity : {ScheduleList::kEibiCapacity, 3}) {
        ScheduleList eibi(capacity);
        LoadEibiText(text, eibi);
        std::string problem = CheckList(eibi);
        if (!problem.empty()) return "eibi: " + problem;
    }
    return {};
}

}  // namespace velorix

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem =
        velorix::CheckStationParsers(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "station list fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
