#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ListText.h"
#include "ScheduleList.h"

namespace velorix {

// The EiBi list and the user's own list share one fixed-column format; both
// are read from one directory (the program passes its working directory).
inline constexpr const char* kEibiFile = "eibi.txt";
inline constexpr const char* kUserListFile = "userlist.txt";

// Lines are padded with spaces to this many columns, so that short lines
// yield empty fields.
inline constexpr std::size_t kEibiPaddedColumns = 85;

// One line: frequency (kHz) read from columns 0-12, start 14-17, end 19-22,
// country 30-32, station 34-57, language 59-61, target 63-66, remark 75-81.
// Lines without a frequency are skipped (headers, comments); lines with
// unreadable times are dropped, their frequency entry staying.
void ParseEibiLine(ListLineView line, ScheduleList& list);
// The same over a whole text (tests and fuzzing use this).
void LoadEibiText(std::string_view text, ScheduleList& list);

// Capacity 8192, loaded from "eibi.txt" in `directory`; empty when missing.
std::unique_ptr<ScheduleList> LoadEibiList(const std::string& directory);
// Capacity 8192, loaded from "userlist.txt" in `directory`; empty when missing.
std::unique_ptr<ScheduleList> LoadUserList(const std::string& directory);

}  // namespace velorix
