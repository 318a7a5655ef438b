#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "DataDirectories.h"
#include "SettingsRecord.h"

namespace velorix {

using BitstreamKey = std::array<std::uint8_t, 6>;

// Bitstream file name (without ".sbs") for each output-rate index.
const char* BitstreamName(int rateIdx);

// The key built into the program for each of the three bitstreams.
const BitstreamKey& BuiltInBitstreamKey(int rateIdx);

// Where the receiver's firmware, bitstreams and keys are looked for, from
// `place`: the data directories for a real receiver, only their virtual/
// folders for the virtual receiver (VELORIX_DEVICE=virtual), so that neither
// ever loads the other's.
std::vector<std::string> ReceiverFileDirectories(const files::ProgramPlace& place);

// The key for bitstream `rateIdx` in `dir`: a sidecar file "<name>.key"
// with twelve hex digits beside the ".sbs" wins over the built-in key.
// Returns false with a message in `error` ("<name>.key: why") when the
// sidecar is malformed, and, before the library is handed them, when the
// sidecar or the ".sbs" is there but no regular file or far too large.
bool LoadBitstreamKey(const std::string& dir, int rateIdx, BitstreamKey& key, std::string& error);

// Parses twelve hex digits (surrounding white space allowed) into a key.
bool ParseBitstreamKey(const std::string& text, BitstreamKey& key);

}  // namespace velorix
