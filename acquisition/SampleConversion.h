#pragma once

#include <cstdint>

#include "DspTypes.h"

namespace velorix {

// Converts `frames` 6-byte frames (I then Q, each 24-bit two's complement,
// least significant byte first) into complex doubles: each value placed in
// the top three bytes of a signed 32-bit integer (low byte 0), times `scale`.
// Built for the x86-64 baseline and for AVX2, picked at the first call; both
// give the same bits.
void ConvertFrames(const std::uint8_t* raw, Cpx* out, int frames, double scale);

namespace kernels {
void ConvertFramesBaseline(const std::uint8_t* raw, Cpx* out, int frames, double scale);
void ConvertFramesAvx2(const std::uint8_t* raw, Cpx* out, int frames, double scale);
}  // namespace kernels

}  // namespace velorix
