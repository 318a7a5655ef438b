#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velorix {

// "%02d:%02d:%02d" of a UTC instant (seconds since 1970); empty when the
// instant cannot be converted.
std::string StatusTimeText(std::int64_t secondsUtc);
// "%s %02d-%s-%04d": weekday "Sun".."Sat", day, month "Jan".."Dec", year.
std::string StatusDateText(std::int64_t secondsUtc);

// The instant a file position stands for: the recording's start time plus
// the whole seconds of complex samples (6 bytes each) before `positionBytes`
// at `rateKHz`. 1 500 000 bytes at 250 kHz is one second.
std::int64_t PlaybackTimeUtc(std::int64_t startTimeUtc, std::uint64_t positionBytes,
                             double rateKHz);

// Free space as the recording status shows it: (bytes >> 20) × 0.001, the
// "GBytes" of "%s - %.2f GBytes free ".
double FreeGBytes(std::uint64_t freeBytes);
std::string RecordingFileText(const std::string& fileName, double freeGBytes);

// Free bytes of the file system that holds `directory`; nothing when it
// cannot be read.
std::optional<std::uint64_t> FreeBytesOf(const std::string& directory);

}  // namespace velorix
