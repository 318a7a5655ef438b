#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "DspTypes.h"

namespace velorix {

// How one complex sample of a recording is stored: I then Q, each
// little-endian. CU8 is offset binary (128 is zero); CI24 is the receiver's
// own 3-byte two's complement.
enum class IqEncoding { CI8, CU8, CI16, CI24, CI32, CF32 };

// Bytes of one complex sample.
int IqSampleBytes(IqEncoding encoding);
// The SigMF datatype ("ci16_le") of an encoding; CI24 has none ("").
const char* SigmfDatatypeName(IqEncoding encoding);
// The encoding of a SigMF datatype velorix reads: ci8, cu8, ci16_le,
// ci32_le, cf32_le.
std::optional<IqEncoding> SigmfDatatype(std::string_view name);

// The receiver's full scale in raw 24-bit units: a full-scale value of any
// encoding (1.0, 32768, 128 …) is this many raw units.
inline constexpr double kFullScaleRaw = 8388608.0;

// Decodes `count` complex samples into raw receiver units.
void DecodeIq(IqEncoding encoding, const std::uint8_t* bytes, std::size_t count, Cpx* out);

// Rounds `count` samples in raw units to the receiver's 6-byte frames,
// holding each value in the 24-bit range (never wrapping). With
// `markOverload`, bit 0 of I says what the converter says there: equal to
// I's sign bit, and different only where a sample had to be held. Returns
// the count of samples held.
std::size_t EncodeFrames(const Cpx* in, std::size_t count, bool markOverload, std::uint8_t* frames);

// The receiver's frames as ci16_le: round(raw / 256), halves away from
// zero, held to -32768…32767.
void FramesToCi16(const std::uint8_t* frames, std::size_t count, std::uint8_t* out);
// The receiver's frames as cf32_le: raw / 2^23, exact.
void FramesToCf32(const std::uint8_t* frames, std::size_t count, std::uint8_t* out);

}  // namespace velorix
