#include "ScheduleEntry.h"

#include <algorithm>

namespace velorix {

bool IsOnAirTime(int startHhmm, int endHhmm, int nowHhmm) {
    if (startHhmm < endHhmm) return startHhmm <= nowHhmm && nowHhmm < endHhmm;
    if (startHhmm > endHhmm) return nowHhmm >= startHhmm || nowHhmm < endHhmm;
    return false;
}

bool IsOnAirDay(const std::string& days, char weekday) {
    const std::size_t n = std::min<std::size_t>(days.size(), 7);
    for (std::size_t i = 0; i < n; ++i) {
        if (days[i] == ' ') return false;
        if (days[i] == weekday) return true;
    }
    return true;
}

std::string TrimmedEnd(const std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace velorix
