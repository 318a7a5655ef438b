#pragma once

#include <string>

#include "ScheduleEntry.h"

namespace velorix {

// A schedule line of the EiBi or user list. The format's own days column is
// not read: every entry counts as daily.
class EibiEntry : public ScheduleEntry {
public:
    EibiEntry(int startHhmm, int endHhmm, std::string countryCode, std::string stationName,
              std::string languageCode, std::string targetArea, std::string remarkText)
        : ScheduleEntry(startHhmm, endHhmm, "1234567"),
          country(std::move(countryCode)),
          station(std::move(stationName)),
          language(std::move(languageCode)),
          target(std::move(targetArea)),
          remark(std::move(remarkText)) {}

    // "%04d %04d %s - %s (%s)   %s": start, end, station, country, language,
    // remark.
    std::string FormatLine(const ScheduleList& list) const override;
    std::string Name(const ScheduleList& list) const override;

    const std::string country;   // up to 3 characters
    const std::string station;   // up to 24 characters
    const std::string language;  // up to 3 characters
    const std::string target;    // up to 4 characters; read, not shown
    const std::string remark;    // up to 7 characters
};

}  // namespace velorix
