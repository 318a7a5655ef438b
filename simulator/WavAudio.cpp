#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "AudioSources.h"
#include "CheckedFile.h"
#include "DspMath.h"

// Programme audio from a WAV file: 16-bit PCM, mono or stereo, any rate.
namespace velorix::sim {

std::shared_ptr<const std::vector<float>> ReadWavAudio(const std::string& path,
                                                       std::string& error) {
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return nullptr;
    };
    // Read whole, and only from a regular file: a FIFO would hold start-up
    // until someone writes to it, a device would feed it without end.
    files::FileProblem problem;
    auto bytes = files::ReadInput(path, files::kProgrammeLimit, &problem);
    if (!bytes) return fail(problem.Reason());
    std::istringstream in(std::move(*bytes));
    auto u32 = [](const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    auto u16 = [](const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; };
    uint8_t head[12];
    if (!in.read(reinterpret_cast<char*>(head), 12) || std::memcmp(head, "RIFF", 4) ||
        std::memcmp(head + 8, "WAVE", 4))
        return fail("not a RIFF/WAVE file");
    uint32_t channels = 0, rate = 0, bits = 0, format = 0;
    bool haveFormat = false;
    // The programme mixed to mono, with `half` samples of room on each side
    // for the loop's wrap (filled once the length is known). It and the
    // resampled loop are all the memory a programme keeps or passes through:
    // about 1.7 times a 48 kHz stereo file.
    int half = 0;
    std::vector<float> ext;
    for (;;) {
        uint8_t chunk[8];
        if (!in.read(reinterpret_cast<char*>(chunk), 8)) break;
        const uint32_t size = u32(chunk + 4);
        if (!std::memcmp(chunk, "fmt ", 4)) {
            if (size < 16 || size > 1024) return fail("malformed format chunk");
            std::vector<uint8_t> f(size);
            if (!in.read(reinterpret_cast<char*>(f.data()), size)) return fail("truncated file");
            format = u16(&f[0]);
            channels = u16(&f[2]);
            rate = u32(&f[4]);
            bits = u16(&f[14]);
            if (format == 0xFFFE && size >= 26) format = u16(&f[24]);  // extensible: sub-format
            haveFormat = true;
            if (size & 1) in.ignore(1);
        } else if (!std::memcmp(chunk, "data", 4)) {
            if (!haveFormat) return fail("data before the format chunk");
            if (format != 1 || bits != 16) return fail("only 16-bit PCM WAV files can be played");
            if (channels < 1 || channels > 2)
                return fail("only mono or stereo files can be played");
            if (rate < 1000 || rate > 384000) return fail("sample rate out of range");
            const double ratio = double(rate) / kAudioRateHz;
            half = int(std::ceil(16.0 * std::max(1.0, ratio)));
            const uint64_t frameBytes = uint64_t(channels) * 2;
            const uint64_t maxFrames = uint64_t(rate) * 300;
            const uint64_t want = std::min<uint64_t>(size / frameBytes, maxFrames);
            ext.reserve(size_t(want) + 2 * size_t(half));
            ext.resize(size_t(half));
            std::vector<int16_t> samples(65536 * channels);
            for (uint64_t left = want; left > 0;) {
                const uint64_t n = std::min<uint64_t>(left, 65536);
                in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(n * frameBytes));
                const size_t got = size_t(uint64_t(in.gcount()) / frameBytes);
                for (size_t i = 0; i < got; ++i) {
                    double sum = 0.0;
                    for (uint32_t c = 0; c < channels; ++c)
                        sum += samples[i * channels + c];
                    ext.push_back(float(sum / (32768.0 * channels)));
                }
                if (got < n) break;  // a truncated file plays what it has
                left -= n;
            }
            break;
        } else {
            in.ignore(std::streamsize(size) + (size & 1));
        }
    }
    if (!haveFormat) return fail("no format chunk");
    const size_t frames = ext.size() > size_t(half) ? ext.size() - size_t(half) : 0;
    if (frames == 0) return fail("no samples");
    // Windowed-sinc resampling, circular so that the loop stays seamless:
    // ext[i + half] = mono[i], wrapped on both sides.
    ext.resize(frames + 2 * size_t(half));
    for (size_t i = 0; i < size_t(half); ++i) {
        ext[i] =
            ext[size_t(half) + (i + frames * (size_t(half) / frames + 1) - size_t(half)) % frames];
        ext[size_t(half) + frames + i] = ext[size_t(half) + i % frames];
    }
    const double ratio = double(rate) / kAudioRateHz;         // input samples per output sample
    const double cutoff = 0.45 * std::min(1.0, 1.0 / ratio);  // cycles per input sample
    const size_t outCount = std::max<size_t>(1, size_t(double(frames) / ratio));
    // Weights for 256 fractional positions: 1/256 of an input sample of timing
    // error at most, far below what a programme's audio notices.
    constexpr int kPhases = 256;
    const int taps = 2 * half;
    std::vector<double> weights(size_t(kPhases * taps));
    for (int p = 0; p < kPhases; ++p) {
        const double frac = double(p) / kPhases;
        double norm = 0.0;
        for (int k = 0; k < taps; ++k) {
            const double t = double(k - half + 1) - frac;
            const double x = 2.0 * cutoff * t;
            const double sinc = x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            const double w = 0.5 + 0.5 * std::cos(kPi * t / (half + 1));
            weights[size_t(p * taps + k)] = sinc * w;
            norm += sinc * w;
        }
        for (int k = 0; k < taps; ++k)
            weights[size_t(p * taps + k)] /= norm;
    }
    auto out = std::make_shared<std::vector<float>>(outCount);
    for (size_t j = 0; j < outCount; ++j) {
        const double centre = double(j) * ratio;
        size_t base = size_t(centre);
        int p = int(std::lround((centre - double(base)) * kPhases));
        if (p == kPhases) {
            p = 0;
            ++base;
        }
        base %= frames;
        const double* w = weights.data() + size_t(p * taps);
        const float* x = ext.data() + base + 1;  // input index base - half + 1
        double acc = 0.0;
        for (int k = 0; k < taps; ++k)
            acc += w[k] * x[k];
        (*out)[j] = float(acc);
    }
    return out;
}

}  // namespace velorix::sim
