#include "StationPanelState.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <ctime>

namespace velorix {

bool PanelClockAt(std::int64_t secondsUtc, PanelClock& clock) {
    const auto t = static_cast<std::time_t>(secondsUtc);
    if (static_cast<std::int64_t>(t) != secondsUtc) return false;
    std::tm utc{};
    if (gmtime_r(&t, &utc) == nullptr) return false;
    clock.hhmm = utc.tm_hour * 100 + utc.tm_min;
    clock.weekday = static_cast<char>('1' + utc.tm_wday);
    return true;
}

std::int64_t SystemSecondsUtc() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int TunedKHz(std::int64_t tunedHz) {
    const double kHz = std::floor(0.5 + static_cast<double>(tunedHz) * 0.001);
    // Out-of-range frequencies are pinned rather than converted with
    // undefined results; no list holds such a frequency.
    if (kHz >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (kHz <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(kHz);
}

StationPanelState::StationPanelState(TimeSource source) : m_source(std::move(source)) {
    if (m_source) PanelClockAt(m_source(), m_clock);
}

bool StationPanelState::SetList(const ScheduleList* list) {
    m_list = list;
    return true;
}

bool StationPanelState::SetFrequency(std::int64_t tunedHz) {
    const int kHz = TunedKHz(tunedHz);
    if (kHz == m_kHz) return false;
    m_kHz = kHz;
    return true;
}

bool StationPanelState::SetClock(std::int64_t secondsUtc) {
    PanelClock clock;
    if (!PanelClockAt(secondsUtc, clock)) return false;
    if (clock.hhmm == m_clock.hhmm && clock.weekday == m_clock.weekday) return false;
    m_clock = clock;
    return true;
}

bool StationPanelState::Tick() {
    if (!m_ownClock || !m_source) return false;
    return SetClock(m_source());
}

std::vector<std::string> StationPanelState::Lines() const {
    return StationLines(m_list, m_kHz, m_clock.hhmm, m_clock.weekday);
}

}  // namespace velorix
