#pragma once

#include <complex>
#include <cstdint>

namespace velorix {

// Element type codes of a sample stream. Type 1, a complex double, is the
// only type the engine computes with; type 5 is the audio sink's 16-bit
// stereo frame.
enum DspElementType : int {
    kDspTypeDouble = 0,
    kDspTypeComplex = 1,
    kDspTypeFloat = 2,
    kDspTypeInt64 = 3,
    kDspTypeInt16 = 4,
    kDspTypeStereo16 = 5,
    kDspTypeByte = 6,
};

inline constexpr int kDspTypeCount = 7;

// Bytes per element for each type code; 0 for a code outside the table.
constexpr int DspElementSize(int type) {
    constexpr int kSizes[kDspTypeCount] = {8, 16, 4, 8, 2, 4, 1};
    return (type >= 0 && type < kDspTypeCount) ? kSizes[type] : 0;
}

// A complex sample: real part then imaginary part, 16 bytes.
using Cpx = std::complex<double>;
static_assert(sizeof(Cpx) == 16);

// One 16-bit stereo frame of the audio sink (element type 5).
struct StereoFrame {
    int16_t left;
    int16_t right;
};
static_assert(sizeof(StereoFrame) == 4);

}  // namespace velorix
