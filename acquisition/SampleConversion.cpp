#include "SampleConversion.h"

#include "FirKernels.h"
#include "VectorKernels.h"

#if VELORIX_HAVE_AVX2_VARIANT
#include <immintrin.h>
#endif

namespace velorix {

namespace kernels {

void ConvertFramesBaseline(const std::uint8_t* raw, Cpx* out, int frames, double scale) {
    for (int i = 0; i < frames; ++i) {
        const std::uint8_t* f = raw + 6 * i;
        const auto iv = static_cast<std::int32_t>(
            (std::uint32_t(f[0]) << 8) | (std::uint32_t(f[1]) << 16) | (std::uint32_t(f[2]) << 24));
        const auto qv = static_cast<std::int32_t>(
            (std::uint32_t(f[3]) << 8) | (std::uint32_t(f[4]) << 16) | (std::uint32_t(f[5]) << 24));
        out[i] = Cpx(iv * scale, qv * scale);
    }
}

#if VELORIX_HAVE_AVX2_VARIANT
VELORIX_AVX2 void ConvertFramesAvx2(const std::uint8_t* raw, Cpx* out, int frames, double scale) {
    // Two frames (12 bytes) per step: a byte shuffle puts each 24-bit value in
    // the top of a 32-bit lane, the lanes become I, Q, I, Q as doubles. The
    // 16-byte load reads 4 bytes past the pair, so the last pair is left to
    // the plain loop.
    const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m256d k = _mm256_set1_pd(scale);
    double* y = reinterpret_cast<double*>(out);
    int i = 0;
    for (; i + 3 <= frames; i += 2) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 6 * i));
        const __m128i values = _mm_shuffle_epi8(bytes, spread);
        _mm256_storeu_pd(y + 2 * i, _mm256_mul_pd(_mm256_cvtepi32_pd(values), k));
    }
    ConvertFramesBaseline(raw + 6 * i, out + i, frames - i, scale);
}
#else
void ConvertFramesAvx2(const std::uint8_t* raw, Cpx* out, int frames, double scale) {
    ConvertFramesBaseline(raw, out, frames, scale);
}
#endif

}  // namespace kernels

void ConvertFrames(const std::uint8_t* raw, Cpx* out, int frames, double scale) {
    static const auto variant =
        kernels::UseAvx2() ? kernels::ConvertFramesAvx2 : kernels::ConvertFramesBaseline;
    variant(raw, out, frames, scale);
}

}  // namespace velorix
