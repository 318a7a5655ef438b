#include "HfccEntry.h"

#include <cstdio>

#include "ScheduleList.h"

namespace velorix {

std::string HfccEntry::FormatLine(const ScheduleList& list) const {
    const SiteRecord* siteRecord = list.Sites().At(site);
    const BroadcasterRecord* broadcasterRecord = list.Broadcasters().At(broadcaster);
    // Each number takes at most 11 characters ("-2147483648").
    char buffer[64];
    if ((site >= 0 && siteRecord == nullptr) ||
        (broadcaster >= 0 && broadcasterRecord == nullptr)) {
        std::snprintf(buffer, sizeof buffer, "%04d %04d %3d kW -------------", start, end, powerKW);
        return buffer;
    }
    const std::string blank = " ";
    std::snprintf(buffer, sizeof buffer, "%04d %04d ", start, end);
    std::string line = buffer;
    line += broadcasterRecord != nullptr ? broadcasterRecord->name : blank;
    line += " - ";
    line += siteRecord != nullptr ? siteRecord->name : blank;
    line += ' ';
    line += siteRecord != nullptr ? siteRecord->fieldA : blank;
    line += ' ';
    line += siteRecord != nullptr ? siteRecord->fieldB : blank;
    std::snprintf(buffer, sizeof buffer, " %3d kW", powerKW);
    line += buffer;
    return line;
}

std::string HfccEntry::Name(const ScheduleList& list) const {
    const BroadcasterRecord* record = list.Broadcasters().At(broadcaster);
    return record != nullptr ? TrimmedEnd(record->name) : std::string();
}

}  // namespace velorix
