#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ScheduleList.h"

namespace velorix {

// UTC clock reading of the station panel.
struct PanelClock {
    int hhmm = 0;        // hour * 100 + minute
    char weekday = '1';  // '1' Sunday ... '7' Saturday
};

// The panel clock for `secondsUtc` (seconds since 1970, UTC); false when the
// time cannot be converted (far outside the calendar).
bool PanelClockAt(std::int64_t secondsUtc, PanelClock& clock);

// Seconds since 1970 of the system clock.
std::int64_t SystemSecondsUtc();

// The panel's kHz for a tuned frequency: floor(0.5 + Hz * 0.001), so
// 5 999 600 Hz is 6000 kHz and 5 999 400 Hz is 5999 kHz.
int TunedKHz(std::int64_t tunedHz);

// What decides the station panel's contents, without the drawing: the list it
// shows, the tuned kHz and the UTC clock. Each setter answers whether the
// panel must be redrawn. Used from the GUI thread only.
class StationPanelState {
public:
    using TimeSource = std::function<std::int64_t()>;  // seconds since 1970, UTC

    // Starts with the own clock on, read from `source` (the system clock
    // unless a test gives another).
    explicit StationPanelState(TimeSource source = SystemSecondsUtc);

    // The list shown (not owned; null shows nothing). Always redraws.
    bool SetList(const ScheduleList* list);
    // Tuned frequency in Hz; redraw when the panel's kHz changes.
    bool SetFrequency(std::int64_t tunedHz);
    // Clock from outside, e.g. a recording's time during playback; redraw
    // when hhmm or the weekday changes.
    bool SetClock(std::int64_t secondsUtc);
    // The own clock is switched off while a recording plays.
    void SetOwnClock(bool on) { m_ownClock = on; }
    // The panel's 1 s timer: with the own clock on, takes the time from the
    // time source; redraw as for SetClock.
    bool Tick();

    const ScheduleList* List() const { return m_list; }
    int KHz() const { return m_kHz; }
    int NowHhmm() const { return m_clock.hhmm; }
    char Weekday() const { return m_clock.weekday; }
    bool OwnClock() const { return m_ownClock; }

    // The lines to draw, top first (see StationLines).
    std::vector<std::string> Lines() const;

private:
    TimeSource m_source;
    const ScheduleList* m_list = nullptr;
    int m_kHz = 0;
    PanelClock m_clock;
    bool m_ownClock = true;
};

}  // namespace velorix
