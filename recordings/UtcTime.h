#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velorix {

// Seconds since 1970-01-01 00:00 UTC of a civil UTC time; nothing when a
// field is out of its range (month 1-12, the month's own days, hour 0-23,
// minute 0-59, second 0-60).
std::optional<std::int64_t> UtcSeconds(int year, int month, int day, int hour, int minute,
                                       int second);

// "YYYY-MM-DDTHH:MM:SSZ".
std::string IsoUtcText(std::int64_t seconds);

// An RFC 3339 time, "YYYY-MM-DDTHH:MM:SS", any fraction of a second
// (dropped), then "Z" or an offset "+HH:MM" / "-HH:MM"; nothing for any
// other text.
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);

}  // namespace velorix
