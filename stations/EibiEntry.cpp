#include "EibiEntry.h"

#include <cstdio>

namespace velorix {

std::string EibiEntry::FormatLine(const ScheduleList& /*list*/) const {
    char times[32];
    std::snprintf(times, sizeof times, "%04d %04d ", start, end);
    return times + station + " - " + country + " (" + language + ")   " + remark;
}

std::string EibiEntry::Name(const ScheduleList& /*list*/) const {
    return TrimmedEnd(station);
}

}  // namespace velorix
