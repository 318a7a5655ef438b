#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::soapy {

// One complex sample of the receiver's stream is 6 bytes: I then Q, each a
// 24-bit two's-complement value, least significant byte first.
inline constexpr std::size_t kFrameBytes = 6;
// Full scale of a 24-bit value: CF32 and CF64 samples are raw / 2^23.
inline constexpr double kFullScaleRaw = 8388608.0;

// The 24-bit value at `p`, sign-extended.
inline std::int32_t Raw24(const std::uint8_t* p) {
    const std::uint32_t u =
        std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    return static_cast<std::int32_t>(u << 8) >> 8;
}

// The converter marks an overloaded stretch in bit 0 of I: it differs from
// the sign bit of I while the converter clips.
inline bool OverloadMark(const std::uint8_t* frame) {
    return (frame[0] & 1) != (frame[2] >> 7);
}

// Sample formats a stream can deliver.
enum class SampleFormat { CS16, CF32, CF64 };

// Decodes `count` frames into `out` in `format`. CS16 is round(raw / 256),
// held to -32768..32767 so that a clipping converter never wraps the sign;
// CF32 and CF64 are raw / 2^23. `out` holds 2 × count values of the format.
void DecodeFrames(const std::uint8_t* frames, std::size_t count, SampleFormat format, void* out);

// Bytes of one complex sample of `format`.
std::size_t SampleBytes(SampleFormat format);

}  // namespace velorix::soapy
