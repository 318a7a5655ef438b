#pragma once

#include <cstdint>

namespace velorix {

// The receiver as the rigctl protocol sees it: the tuned frequency, the
// demodulation mode with its filter, and the S-meter. Modes are the
// receiver's own indices (0 AM, 1 SAM, 2 CW, 3 RTTY, 4 USB, 5 LSB, 6 FM,
// 7 DRM, 8 USER), filters 0..5 of the mode ("25 kHz" … "0.8kHz").
//
// Every call comes from the receiver's own thread (the window's, or the
// headless receiver's main loop); a change made here is a change made by
// the user, and shows wherever the receiver shows its state.
class RigControl {
public:
    static constexpr int kModeCount = 9;
    static constexpr int kFilterCount = 6;

    virtual ~RigControl() = default;

    // The tuned frequency, Hz.
    virtual std::int64_t TunedHz() const = 0;
    // Tunes as the frequency keypad does; false, with nothing changed, when
    // the frequency lies out of reach (beyond 0-40 MHz, or for a recording
    // beyond what the recorded band holds: half its rate either side).
    virtual bool SetTunedHz(std::int64_t hz) = 0;

    virtual int Mode() const = 0;
    // The filter in use, of the current mode.
    virtual int Filter() const = 0;
    // Pass-band width of a mode's filter, Hz.
    virtual int FilterWidthHz(int mode, int filter) const = 0;
    // The filter a mode starts with on a fresh installation.
    virtual int DefaultFilter(int mode) const = 0;
    // Selects a mode with the filter it last used.
    virtual void SelectMode(int mode) = 0;
    // Selects a filter of the current mode.
    virtual void SelectFilter(int filter) = 0;

    // The S-meter's calibrated level, tenths of a dBm.
    virtual int LevelTenthsDbm() const = 0;
};

}  // namespace velorix
