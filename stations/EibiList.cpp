#include "EibiList.h"

#include <optional>

#include "EibiEntry.h"

namespace velorix {

namespace {

std::unique_ptr<ScheduleList> LoadEibiFormat(const std::string& directory, const char* name) {
    auto list = std::make_unique<ScheduleList>(ScheduleList::kEibiCapacity);
    const std::string dir = directory.empty() ? std::string(".") : directory;
    const std::string path = dir + "/" + name;
    std::string problem;
    ForEachFileLine(
        path, [&](ListLineView line) { ParseEibiLine(line, *list); }, &problem);
    if (!problem.empty()) list->Notes().push_back(problem);
    list->NoteDropped(path);
    return list;
}

}  // namespace

void ParseEibiLine(ListLineView line, ScheduleList& list) {
    const std::optional<int> kHz = ReadInt(Field(line, 0, 12));
    if (!kHz || !list.OpenFrequency(*kHz)) return;
    ListLine padded(line);
    if (padded.size() < kEibiPaddedColumns) padded.resize(kEibiPaddedColumns, U' ');
    const std::optional<int> start = ReadInt(Field(padded, 14, 17));
    const std::optional<int> end = ReadInt(Field(padded, 19, 22));
    // The frequency entry stays even when the times are unreadable.
    if (!start || !end) return;
    list.AddEntry(std::make_unique<EibiEntry>(
        *start, *end, ToUtf8(CutAtSpace(Field(padded, 30, 32))),
        ToUtf8(CutAfterDoubleSpace(Field(padded, 34, 57))),
        ToUtf8(CutAtSpace(Field(padded, 59, 61))), ToUtf8(CutAtSpace(Field(padded, 63, 66))),
        ToUtf8(CutAtSpace(Field(padded, 75, 81)))));
}

void LoadEibiText(std::string_view text, ScheduleList& list) {
    ForEachLine(text, [&](ListLineView line) { ParseEibiLine(line, list); });
}

std::unique_ptr<ScheduleList> LoadEibiList(const std::string& directory) {
    return LoadEibiFormat(directory, kEibiFile);
}

std::unique_ptr<ScheduleList> LoadUserList(const std::string& directory) {
    return LoadEibiFormat(directory, kUserListFile);
}

}  // namespace velorix
