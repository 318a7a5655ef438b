#include "DspVolumeCtl.h"

#include <cstring>

#include "DspMath.h"

namespace velorix {
namespace {

// Truncates toward zero and saturates to the 16-bit range, so that a loud
// sample clips instead of wrapping round to a full-scale click of the
// opposite sign. NaN gives silence.
inline int16_t ToPcm16(double v) {
    v = (v == v) ? v : 0.0;
    v = v < -32768.0 ? -32768.0 : v;
    v = v > 32767.0 ? 32767.0 : v;
    return static_cast<int16_t>(static_cast<int>(v));
}

VELORIX_HOT_CLONES void ScaleToFrames(int16_t* __restrict out, const double* __restrict in,
                                      int values, double gain) {
    for (int i = 0; i < values; ++i)
        out[i] = ToPcm16(in[i] * gain);
}

}  // namespace

CDspVolumeCtl::CDspVolumeCtl(int capacity) : CDspBlock(kDspTypeComplex, capacity, 0) {}

void CDspVolumeCtl::SetLevel(double levelDb) {
    gain_.store(DbToAmplitude(levelDb) * 32767.0, std::memory_order_relaxed);
}

void CDspVolumeCtl::Process(void* dst, const void* src, int count) {
    if (count <= 0) return;
    if (mute_.load(std::memory_order_relaxed)) {
        std::memset(dst, 0, static_cast<size_t>(count) * sizeof(StereoFrame));
        return;
    }
    // A StereoFrame is two int16 (left, right), a complex sample two doubles
    // (real, imaginary): both are flat arrays of 2 * count values in order.
    ScaleToFrames(static_cast<int16_t*>(dst), static_cast<const double*>(src), 2 * count,
                  gain_.load(std::memory_order_relaxed));
}

}  // namespace velorix
