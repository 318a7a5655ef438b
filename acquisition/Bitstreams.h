#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "SettingsRecord.h"

namespace velorix {

using BitstreamKey = std::array<std::uint8_t, 6>;

// Bitstream file name (without ".sbs") for each output-rate index.
const char* BitstreamName(int rateIdx);

// The key built into the program for each of the three bitstreams.
const BitstreamKey& BuiltInBitstreamKey(int rateIdx);

// Directory that holds the bitstream files: VELORIX_DATA_DIR when set, else
// the directory of the running executable.
std::string BitstreamDirectory();

// The key for bitstream `rateIdx` in `dir`: a sidecar file "<name>.key"
// with twelve hex digits beside the ".sbs" wins over the built-in key.
// Returns false with a message in `error` ("<name>.key: why") when the
// sidecar is malformed, and, before the library is handed them, when the
// sidecar or the ".sbs" is there but no regular file or far too large.
bool LoadBitstreamKey(const std::string& dir, int rateIdx, BitstreamKey& key, std::string& error);

// Parses twelve hex digits (surrounding white space allowed) into a key.
bool ParseBitstreamKey(const std::string& text, BitstreamKey& key);

}  // namespace velorix
