#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace velorix {

// The recording format: a 24-bit stereo PCM WAV file (I left, Q right) whose
// 86-byte header carries, between "fmt " and "data", a "rcvr" chunk with the
// receiver settings in force when the file was started. This file is the
// only place that knows the layout.
inline constexpr int kWavHeaderBytes = 86;
inline constexpr int kWavFrameBytes = 6;
inline constexpr std::uint32_t kWavRiffSizeOffset = 4;
inline constexpr std::uint32_t kWavDataSizeOffset = 82;
// RIFF size = sample bytes + this.
inline constexpr std::uint32_t kWavRiffOverhead = 78;

using WavHeaderImage = std::array<std::uint8_t, kWavHeaderBytes>;

// The receiver settings a recording carries.
struct WavReceiverInfo {
    std::uint32_t centerFreqHz = 0;
    std::uint32_t rateIdx = 0;    // 0, 1, 2: 125, 250, 500 kHz
    std::uint32_t startTime = 0;  // seconds since 1970, UTC
    std::uint16_t attenuatorIdx = 0;
    std::int8_t preselector = 0;
    std::int8_t preamp = 0;
    std::int8_t dither = 0;
};

// A header as read back.
struct WavHeader {
    WavReceiverInfo info;
    std::uint32_t sampleRateHz = 0;
    std::uint32_t dataBytes = 0;
};

// Builds the header of a new file; both sizes are 0 until patched.
WavHeaderImage BuildWavHeader(const WavReceiverInfo& info);
// Writes the two sizes into a header image for `dataBytes` sample bytes.
void SetWavSizes(WavHeaderImage& image, std::uint32_t dataBytes);

enum class WavHeaderStatus { Ok, TooShort, NotReceiverFormat };

// Reads a header from `bytes`. Only a header with the "rcvr" chunk at its
// place and an output-rate index of 0, 1 or 2 is accepted; nothing is read
// past `size`.
WavHeaderStatus ParseWavHeader(const std::uint8_t* bytes, std::size_t size, WavHeader& header);

// The sample bytes of a recording that can be played: what its header
// claims, but no more than the file holds after the header; a claim short of
// the whole frames that follow (sizes not yet patched when a recording was
// cut off, down to 0) gives those frames instead. A multiple of 6.
std::uint64_t WavPlayableBytes(std::uint32_t claimedBytes, std::uint64_t fileBytes);

// Output rate in Hz of a rate index 0..2.
std::uint32_t WavRateHz(std::uint32_t rateIdx);

// A recording series: "<base>_<nnn>.wav". The chosen path loses its
// extension, then the text after its last '_' gives the first number (0 when
// it is no number). Both cuts look at the file name only, never at the
// directories above it.
struct WavSeriesName {
    std::string base;
    int number = 0;
};
WavSeriesName ParseWavSeriesPath(const std::string& path);
// "%s_%03d.wav"
std::string WavSeriesFileName(const std::string& base, int number);

// Longest file name the program accepts, in characters.
inline constexpr std::size_t kMaxWavPathChars = 255;

}  // namespace velorix
