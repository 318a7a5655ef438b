#pragma once

#include <string>

#include "ScheduleEntry.h"

namespace velorix {

// A schedule line of the HFCC list. Site and broadcaster are indices into the
// owning list's code tables (-1 when the code is unknown).
class HfccEntry : public ScheduleEntry {
public:
    HfccEntry(int startHhmm, int endHhmm, std::string dayList, int siteIndex, int broadcasterIndex,
              int powerInKW, int azimuthDeg, std::string lineText)
        : ScheduleEntry(startHhmm, endHhmm, std::move(dayList)),
          site(siteIndex),
          broadcaster(broadcasterIndex),
          powerKW(powerInKW),
          azimuth(azimuthDeg),
          text(std::move(lineText)) {}

    // "%04d %04d %s - %s %s %s %3d kW": start, end, broadcaster name, site name,
    // site field A, site field B, power; an unknown code shows one space for
    // each of its texts. When an index names no record of `list`, the line is
    // "%04d %04d %3d kW -------------".
    std::string FormatLine(const ScheduleList& list) const override;
    // The broadcaster's name.
    std::string Name(const ScheduleList& list) const override;

    const int site;         // index into the site table, -1 unknown
    const int broadcaster;  // index into the broadcaster table, -1 unknown
    const int powerKW;
    const int azimuth;       // degrees; read, not shown
    const std::string text;  // columns 102-111; read, not shown
};

}  // namespace velorix
