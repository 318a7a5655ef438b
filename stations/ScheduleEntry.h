#pragma once

#include <string>

namespace velorix {

class ScheduleList;

// The weekday characters: '1' is Sunday, '7' Saturday.
inline constexpr char kSunday = '1';
inline constexpr char kSaturday = '7';

// True when a schedule from `startHhmm` to `endHhmm` (UTC, hour * 100 + minute)
// covers `nowHhmm`: start included, end excluded; a start after the end runs
// over midnight; equal start and end never run.
bool IsOnAirTime(int startHhmm, int endHhmm, int nowHhmm);

// The days rule: the field's characters (at most 7) are scanned from the first;
// a space ends the scan with no, `weekday` ends it with yes, and a scan that
// runs out without either counts as yes (so a missing field means daily).
bool IsOnAirDay(const std::string& days, char weekday);

// `text` without its trailing spaces (names padded to their columns).
std::string TrimmedEnd(const std::string& text);

// One scheduled transmission on one frequency. Entries of one frequency form a
// chain owned by their ScheduleList; the list's loader puts each new entry at
// the front, so a chain runs in reverse file order.
class ScheduleEntry {
public:
    ScheduleEntry(int startHhmm, int endHhmm, std::string dayList)
        : start(startHhmm), end(endHhmm), days(std::move(dayList)) {}
    virtual ~ScheduleEntry() = default;
    ScheduleEntry(const ScheduleEntry&) = delete;
    ScheduleEntry& operator=(const ScheduleEntry&) = delete;

    // The panel's text for this entry (UTF-8); `list` is the owning list,
    // which holds the code tables the text is looked up in.
    virtual std::string FormatLine(const ScheduleList& list) const = 0;
    // The station's short name for labels over the spectrum (UTF-8, no
    // padding); empty when the list does not know it.
    virtual std::string Name(const ScheduleList& list) const = 0;

    // On the air at `nowHhmm` (UTC) on `weekday` ('1' Sunday ... '7' Saturday).
    bool IsOnAir(int nowHhmm, char weekday) const {
        return IsOnAirTime(start, end, nowHhmm) && IsOnAirDay(days, weekday);
    }

    const ScheduleEntry* Next() const { return m_next; }

    const int start;         // hhmm UTC
    const int end;           // hhmm UTC
    const std::string days;  // up to 7 weekday characters

private:
    friend class ScheduleList;
    const ScheduleEntry* m_next = nullptr;
};

}  // namespace velorix
