#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velorix {

// Reads `text` as every station list file (site, broadcaster, HFCC, EiBi) and
// checks what must hold for any input: counts within capacity, chains that
// hold every stored entry once, lookups that find only their own frequency
// (and every one of a sorted list), display texts that are clean UTF-8.
// Empty when all holds, else what failed.
std::string CheckStationParsers(std::string_view text);

}  // namespace velorix

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
