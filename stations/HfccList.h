#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ListText.h"
#include "ScheduleList.h"

namespace velorix {

// The HFCC list's files, read from one directory (the program passes its
// working directory). In every one of them a line whose first character is
// ";" is a comment; lines whose numbers cannot be read are skipped; nothing
// is ever reported.
inline constexpr const char* kSiteFile = "site.txt";
inline constexpr const char* kBroadcasterFile = "broadcas.txt";
inline constexpr const char* kHfccFile = "hfcc.txt";

// One line of "site.txt": code in columns 0-2, name in 4-33 (cut just after
// its first double space), field A in 39-43, field B in 45-50.
void ParseSiteLine(ListLineView line, SiteTable& table);
// One line of "broadcas.txt": code in columns 0-2, name in 4-33.
void ParseBroadcasterLine(ListLineView line, BroadcasterTable& table);
// One line of "hfcc.txt" into `list`, whose code tables must be loaded.
void ParseHfccLine(ListLineView line, ScheduleList& list);

// The same over whole texts (tests and fuzzing use these).
void LoadSiteText(std::string_view text, SiteTable& table);
void LoadBroadcasterText(std::string_view text, BroadcasterTable& table);
void LoadHfccText(std::string_view text, ScheduleList& list);

// The HFCC list (capacity 4096, code tables of 1024) from "site.txt",
// "broadcas.txt" and "hfcc.txt" in `directory`, in that order. A missing file
// leaves its part empty.
std::unique_ptr<ScheduleList> LoadHfccList(const std::string& directory);

}  // namespace velorix
