#include "HfccList.h"

#include <functional>
#include <optional>

#include "HfccEntry.h"

namespace velorix {

namespace {

bool IsComment(ListLineView line) {
    return !line.empty() && line.front() == U';';
}

StationCode CodeOf(ListLineView field) {
    StationCode code = {U' ', U' ', U' '};
    for (std::size_t i = 0; i < field.size() && i < code.size(); ++i)
        code[i] = field[i];
    return code;
}

// The days field holds weekday digits and spaces; anything else can never
// equal a weekday character, so it is kept as one '?' per character to keep
// the field at one byte per day.
std::string DaysOf(ListLineView field) {
    std::string days;
    for (const char32_t c : field)
        days.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return days;
}

}  // namespace

void ParseSiteLine(ListLineView line, SiteTable& table) {
    // An empty line carries no code.
    if (line.empty() || IsComment(line)) return;
    SiteRecord record;
    record.name = ToUtf8(CutAfterDoubleSpace(Field(line, 4, 33)));
    record.fieldA = ToUtf8(Field(line, 39, 43));
    record.fieldB = ToUtf8(Field(line, 45, 50));
    table.Add(CodeOf(Field(line, 0, 2)), std::move(record));
}

void ParseBroadcasterLine(ListLineView line, BroadcasterTable& table) {
    if (line.empty() || IsComment(line)) return;
    table.Add(CodeOf(Field(line, 0, 2)), BroadcasterRecord{ToUtf8(Field(line, 4, 33))});
}

void ParseHfccLine(ListLineView line, ScheduleList& list) {
    if (IsComment(line)) return;
    const std::optional<int> kHz = ReadInt(Field(line, 0, 4));
    if (!kHz || !list.OpenFrequency(*kHz)) return;
    const std::optional<int> start = ReadInt(Field(line, 6, 9));
    const std::optional<int> end = ReadInt(Field(line, 11, 14));
    const std::optional<int> powerKW = ReadInt(Field(line, 51, 54));
    const std::optional<int> azimuth = ReadInt(Field(line, 56, 62));
    // The frequency entry stays even when the rest of the line is unreadable.
    if (!start || !end || !powerKW || !azimuth) return;
    const int site = list.Sites().Find(CodeOf(Field(line, 47, 49)));
    const int broadcaster = list.Broadcasters().Find(CodeOf(Field(line, 117, 119)));
    list.AddEntry(std::make_unique<HfccEntry>(*start, *end, DaysOf(Field(line, 72, 78)), site,
                                              broadcaster, *powerKW, *azimuth,
                                              ToUtf8(Field(line, 102, 111))));
}

void LoadSiteText(std::string_view text, SiteTable& table) {
    ForEachLine(text, [&](ListLineView line) { ParseSiteLine(line, table); });
}

void LoadBroadcasterText(std::string_view text, BroadcasterTable& table) {
    ForEachLine(text, [&](ListLineView line) { ParseBroadcasterLine(line, table); });
}

void LoadHfccText(std::string_view text, ScheduleList& list) {
    ForEachLine(text, [&](ListLineView line) { ParseHfccLine(line, list); });
}

std::unique_ptr<ScheduleList> LoadHfccList(const std::string& directory) {
    auto list = std::make_unique<ScheduleList>(ScheduleList::kHfccCapacity);
    const std::string dir = directory.empty() ? std::string(".") : directory;
    auto read = [&](const char* name, const std::function<void(ListLineView)>& onLine) {
        std::string problem;
        ForEachFileLine(dir + "/" + name, onLine, &problem);
        if (!problem.empty()) list->Notes().push_back(problem);
    };
    read(kSiteFile, [&](ListLineView line) { ParseSiteLine(line, list->Sites()); });
    read(kBroadcasterFile,
         [&](ListLineView line) { ParseBroadcasterLine(line, list->Broadcasters()); });
    read(kHfccFile, [&](ListLineView line) { ParseHfccLine(line, *list); });
    list->NoteDropped(dir + "/" + kHfccFile);
    return list;
}

}  // namespace velorix
