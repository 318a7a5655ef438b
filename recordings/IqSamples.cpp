#include "IqSamples.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace velorix {

// Samples are moved in and out of byte buffers with memcpy, which keeps
// their little-endian order on the processors velorix is built for.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr long kMaxRaw = 8388607;
constexpr long kMinRaw = -8388608;

struct Encoding {
    IqEncoding encoding;
    int bytes;
    const char* sigmf;
};

constexpr Encoding kEncodings[] = {
    {IqEncoding::CI8, 2, "ci8"}, {IqEncoding::CU8, 2, "cu8"},      {IqEncoding::CI16, 4, "ci16_le"},
    {IqEncoding::CI24, 6, ""},   {IqEncoding::CI32, 8, "ci32_le"}, {IqEncoding::CF32, 8, "cf32_le"},
};

const Encoding& Find(IqEncoding encoding) {
    for (const Encoding& e : kEncodings)
        if (e.encoding == encoding) return e;
    return kEncodings[0];
}

template <typename T>
T Get(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::int32_t Raw24(const std::uint8_t* p) {
    const std::uint32_t u =
        std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    return static_cast<std::int32_t>(u << 8) >> 8;
}

void Put24(std::uint8_t* p, long v) {
    p[0] = static_cast<std::uint8_t>(v & 0xff);
    p[1] = static_cast<std::uint8_t>((v >> 8) & 0xff);
    p[2] = static_cast<std::uint8_t>((v >> 16) & 0xff);
}

// One value in raw units rounded into the 24-bit range; `held` when it lay
// outside (a NaN counts as 0).
long Round24(double v, bool& held) {
    if (!(v == v)) v = 0.0;
    const long r = std::lround(std::fmax(-1e9, std::fmin(1e9, v)));
    if (r > kMaxRaw) return held = true, kMaxRaw;
    if (r < kMinRaw) return held = true, kMinRaw;
    return r;
}

template <typename T>
void DecodeAs(const std::uint8_t* bytes, std::size_t count, Cpx* out, double scale,
              double offset = 0.0) {
    for (std::size_t i = 0; i < count; ++i, bytes += 2 * sizeof(T))
        out[i] =
            Cpx((Get<T>(bytes) - offset) * scale, (Get<T>(bytes + sizeof(T)) - offset) * scale);
}

}  // namespace

int IqSampleBytes(IqEncoding encoding) {
    return Find(encoding).bytes;
}

const char* SigmfDatatypeName(IqEncoding encoding) {
    return Find(encoding).sigmf;
}

std::optional<IqEncoding> SigmfDatatype(std::string_view name) {
    for (const Encoding& e : kEncodings)
        if (*e.sigmf != '\0' && name == e.sigmf) return e.encoding;
    return std::nullopt;
}

void DecodeIq(IqEncoding encoding, const std::uint8_t* bytes, std::size_t count, Cpx* out) {
    switch (encoding) {
        case IqEncoding::CI8:
            return DecodeAs<std::int8_t>(bytes, count, out, 65536.0);
        case IqEncoding::CU8:
            return DecodeAs<std::uint8_t>(bytes, count, out, 65536.0, 128.0);
        case IqEncoding::CI16:
            return DecodeAs<std::int16_t>(bytes, count, out, 256.0);
        case IqEncoding::CI24:
            for (std::size_t i = 0; i < count; ++i, bytes += 6)
                out[i] = Cpx(Raw24(bytes), Raw24(bytes + 3));
            return;
        case IqEncoding::CI32:
            return DecodeAs<std::int32_t>(bytes, count, out, 1.0 / 256.0);
        case IqEncoding::CF32:
            return DecodeAs<float>(bytes, count, out, kFullScaleRaw);
    }
}

std::size_t EncodeFrames(const Cpx* in, std::size_t count, bool markOverload,
                         std::uint8_t* frames) {
    std::size_t heldCount = 0;
    for (std::size_t n = 0; n < count; ++n, frames += 6) {
        bool held = false;
        long i = Round24(in[n].real(), held);
        const long q = Round24(in[n].imag(), held);
        if (markOverload) i = (i & ~1L) | ((i < 0) != held ? 1 : 0);
        heldCount += held;
        Put24(frames, i);
        Put24(frames + 3, q);
    }
    return heldCount;
}

void FramesToCi16(const std::uint8_t* frames, std::size_t count, std::uint8_t* out) {
    for (std::size_t n = 0; n < 2 * count; ++n, frames += 3, out += 2) {
        const std::int32_t raw = Raw24(frames);
        std::int32_t v = raw >= 0 ? (raw + 128) >> 8 : -((128 - raw) >> 8);
        if (v > 32767) v = 32767;
        const auto s = static_cast<std::int16_t>(v);
        std::memcpy(out, &s, 2);
    }
}

void FramesToCf32(const std::uint8_t* frames, std::size_t count, std::uint8_t* out) {
    constexpr float kScale = static_cast<float>(1.0 / kFullScaleRaw);
    for (std::size_t n = 0; n < 2 * count; ++n, frames += 3, out += 4) {
        const float v = static_cast<float>(Raw24(frames)) * kScale;
        std::memcpy(out, &v, 4);
    }
}

}  // namespace velorix
