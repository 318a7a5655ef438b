#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velorix {

// Writes waterfall lines (colour indices, newest at the top as the display
// scrolls) as a PNG in the display's 256-colour palette. False with the
// reason in `why` when there is nothing to write or the file cannot be made.
bool WriteWaterfallPng(const std::string& path, const std::vector<std::vector<std::uint8_t>>& lines,
                       std::string& why);

}  // namespace velorix
