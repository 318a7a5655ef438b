#include "SampleFrames.h"

namespace velorix::soapy {

namespace {

// round(raw / 256) with halves away from zero, as std::lround would give it.
std::int16_t ToCs16(std::int32_t raw) {
    const std::int32_t v = raw >= 0 ? (raw + 128) >> 8 : -((128 - raw) >> 8);
    return static_cast<std::int16_t>(v > 32767 ? 32767 : v);
}

template <typename T>
void DecodeFloat(const std::uint8_t* frames, std::size_t count, T* out) {
    constexpr T kScale = T(1.0 / kFullScaleRaw);
    for (std::size_t i = 0; i < count; ++i, frames += kFrameBytes) {
        out[2 * i] = T(Raw24(frames)) * kScale;
        out[2 * i + 1] = T(Raw24(frames + 3)) * kScale;
    }
}

}  // namespace

void DecodeFrames(const std::uint8_t* frames, std::size_t count, SampleFormat format, void* out) {
    switch (format) {
        case SampleFormat::CS16: {
            auto* s = static_cast<std::int16_t*>(out);
            for (std::size_t i = 0; i < count; ++i, frames += kFrameBytes) {
                s[2 * i] = ToCs16(Raw24(frames));
                s[2 * i + 1] = ToCs16(Raw24(frames + 3));
            }
            break;
        }
        case SampleFormat::CF32:
            DecodeFloat(frames, count, static_cast<float*>(out));
            break;
        case SampleFormat::CF64:
            DecodeFloat(frames, count, static_cast<double*>(out));
            break;
    }
}

std::size_t SampleBytes(SampleFormat format) {
    switch (format) {
        case SampleFormat::CS16:
            return 4;
        case SampleFormat::CF32:
            return 8;
        case SampleFormat::CF64:
            return 16;
    }
    return 8;
}

}  // namespace velorix::soapy
