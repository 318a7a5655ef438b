#pragma once

namespace velorix {

// The demodulator modes by number (0..8, the settings' mode index), as the mode
// buttons and the command line name them.
inline constexpr const char* kModeNames[9] = {"AM",  "SAM", "CW",  "RTTY", "USB",
                                              "LSB", "FM",  "DRM", "USER"};

}  // namespace velorix
