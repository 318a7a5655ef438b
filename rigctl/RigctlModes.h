#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "RigControl.h"

namespace velorix {

// The receiver's modes under Hamlib's names. SAM travels as "AMS"; the
// packet modes of digital-mode programs are plain USB and LSB here. DRM and
// USER have no Hamlib name and read back as AM and USB.

// The receiver mode a client's mode token selects; nothing for a token the
// receiver does not offer (CWR, RTTYR, WFM, PKTFM, DSB, anything unknown).
std::optional<int> ModeForToken(std::string_view token);
// The token a receiver mode reads back as.
const char* TokenForMode(int mode);
// Hamlib's mode bits of the tokens that select a receiver mode (0 for DRM
// and USER), as the capability dump lists them.
std::uint64_t HamlibModeBits(int mode);
// Every mode bit the receiver answers to.
std::uint64_t AllHamlibModeBits();

// The filter of `mode` whose pass band is nearest `widthHz`. Among equally
// near filters the one in use wins, then the mode's default, then the
// lowest index.
int NearestFilter(const RigControl& rig, int mode, long long widthHz);

}  // namespace velorix
