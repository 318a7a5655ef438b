#include "AudioSources.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

namespace velorix::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLoopLowpassHz = 4500.0;  // broadcast audio bandwidth
constexpr double kSsbLowHz = 300.0, kSsbHighHz = 3000.0;
constexpr int kSsbTaps = 121;

// The loop with `pad` samples of wrap-around on each side: ext[i + pad] = x[i].
std::vector<double> Wrapped(const std::vector<float>& x, size_t pad) {
    const size_t n = x.size();
    std::vector<double> ext(n + 2 * pad);
    for (size_t i = 0; i < ext.size(); ++i)
        ext[i] = x[(i + n * (pad / n + 1) - pad) % n];
    return ext;
}

// Circular FIR over a loop, so that the loop stays seamless.
std::vector<float> CircularLowpass(const std::vector<float>& x, double cutoffHz) {
    const std::vector<double> h = WindowedSinc(63, cutoffHz / kAudioRateHz, 1.0, 70.0);
    const size_t n = x.size(), half = h.size() / 2;
    const std::vector<double> ext = Wrapped(x, half);
    std::vector<float> y(n);
    for (size_t i = 0; i < n; ++i) {
        double acc = 0.0;
        for (size_t k = 0; k < h.size(); ++k)
            acc += h[k] * ext[i + 2 * half - k];
        y[i] = float(acc);
    }
    return y;
}

void NormalizePeak(std::vector<float>& x) {
    float peak = 0.0f;
    for (float v : x)
        peak = std::max(peak, std::fabs(v));
    if (peak > 0.0f)
        for (float& v : x)
            v /= peak;
}

class ToneSource : public AudioSource {
public:
    ToneSource(double f1, double f2) : f1_(f1 / kAudioRateHz), f2_(f2 / kAudioRateHz) {}
    void Next(double* out, size_t n) override {
        for (size_t i = 0; i < n; ++i) {
            const Cpx z = Step();
            out[i] = z.real();
        }
    }
    void NextAnalytic(Cpx* out, size_t n) override {
        for (size_t i = 0; i < n; ++i)
            out[i] = Step();
    }

private:
    Cpx Step() {
        Cpx z = std::polar(1.0, 2.0 * kPi * p1_);
        if (f2_ > 0.0) z = 0.5 * (z + std::polar(1.0, 2.0 * kPi * p2_));
        p1_ += f1_;
        p2_ += f2_;
        p1_ -= std::floor(p1_);
        p2_ -= std::floor(p2_);
        return z;
    }
    double f1_, f2_;
    double p1_ = 0.0, p2_ = 0.0;  // cycles
};

class SilenceSource : public AudioSource {
public:
    void Next(double* out, size_t n) override { std::fill(out, out + n, 0.0); }
    void NextAnalytic(Cpx* out, size_t n) override { std::fill(out, out + n, Cpx()); }
};

// One programme loop and, made on first use, its analytic version: a complex
// band pass (a lowpass moved up to the middle of 300-3000 Hz), applied circularly.
// Shared between stations and band models; the analytic version is made once
// under the cache's lock.
struct Programme {
    std::vector<float> real;
    std::vector<float> analytic;  // interleaved re, im; empty until first asked for
};

std::mutex& ProgrammeLock() {
    static std::mutex lock;
    return lock;
}

std::vector<float> MakeAnalytic(const std::vector<float>& x) {
    const double centre = 0.5 * (kSsbLowHz + kSsbHighHz) / kAudioRateHz;
    const double halfWidth = 0.5 * (kSsbHighHz - kSsbLowHz) / kAudioRateHz;
    // Cutoff half way between the pass edge and the mirrored band's edge.
    const std::vector<double> h =
        WindowedSinc(kSsbTaps, halfWidth + kSsbLowHz / kAudioRateHz, 2.0, 60.0);
    std::vector<double> hr(h.size()), hi(h.size());
    const double mid = 0.5 * double(h.size() - 1);
    for (size_t k = 0; k < h.size(); ++k) {
        const Cpx v = h[k] * std::polar(1.0, 2.0 * kPi * centre * (double(k) - mid));
        hr[k] = v.real();
        hi[k] = v.imag();
    }
    const size_t n = x.size(), half = h.size() / 2;
    const std::vector<double> ext = Wrapped(x, half);
    std::vector<float> analytic(2 * n);
    for (size_t i = 0; i < n; ++i) {
        double re = 0.0, im = 0.0;
        const double* e = ext.data() + i + 2 * half;
        for (size_t k = 0; k < h.size(); ++k) {
            re += hr[k] * e[-long(k)];
            im += hi[k] * e[-long(k)];
        }
        analytic[2 * i] = float(re);
        analytic[2 * i + 1] = float(im);
    }
    return analytic;
}

// The built-in programmes come in a few variants each, made once per process.
constexpr uint64_t kVariants = 6;

std::shared_ptr<Programme> CachedProgramme(AudioSpec::Kind kind, uint64_t variant) {
    static std::map<std::pair<int, uint64_t>, std::shared_ptr<Programme>> cache;
    std::lock_guard lock(ProgrammeLock());
    std::shared_ptr<Programme>& p = cache[{int(kind), variant}];
    if (!p) {
        p = std::make_shared<Programme>();
        p->real = kind == AudioSpec::Kind::Voice ? SynthesizeVoice(variant + 1)
                                                 : SynthesizeMusic(variant + 1);
    }
    return p;
}

class LoopSource : public AudioSource {
public:
    LoopSource(std::shared_ptr<Programme> programme, size_t start)
        : programme_(std::move(programme)),
          pos_(programme_->real.empty() ? 0 : start % programme_->real.size()) {}
    void Next(double* out, size_t n) override {
        const std::vector<float>& x = programme_->real;
        for (size_t i = 0; i < n; ++i) {
            out[i] = x[pos_];
            if (++pos_ == x.size()) pos_ = 0;
        }
    }
    void NextAnalytic(Cpx* out, size_t n) override {
        if (!analytic_) {
            std::lock_guard lock(ProgrammeLock());
            if (programme_->analytic.empty()) programme_->analytic = MakeAnalytic(programme_->real);
            analytic_ = programme_->analytic.data();
        }
        const size_t size = programme_->real.size();
        for (size_t i = 0; i < n; ++i) {
            out[i] = Cpx(analytic_[2 * pos_], analytic_[2 * pos_ + 1]);
            if (++pos_ == size) pos_ = 0;
        }
    }

private:
    std::shared_ptr<Programme> programme_;
    size_t pos_;
    const float* analytic_ = nullptr;  // never changes once made
};

// Adds a decaying note of `harmonics` partials circularly into `loop`.
void AddNote(std::vector<float>& loop, double startS, double freqHz, double amplitude,
             double decayS, double lengthS, const std::vector<double>& harmonics) {
    const size_t n = loop.size();
    const size_t first = size_t(startS * kAudioRateHz);
    const size_t count = size_t(lengthS * kAudioRateHz);
    const double attack = 0.01 * kAudioRateHz;
    for (size_t h = 0; h < harmonics.size(); ++h) {
        const double f = freqHz * double(h + 1);
        if (f > kLoopLowpassHz) break;
        const Cpx w = std::polar(1.0, 2.0 * kPi * f / kAudioRateHz);
        Cpx z(0.0, 1.0);
        double env = amplitude * harmonics[h];
        const double decay = std::exp(-1.0 / (decayS * kAudioRateHz * (1.0 + 0.5 * double(h))));
        for (size_t i = 0; i < count; ++i) {
            const double a = double(i) < attack ? double(i) / attack : 1.0;
            const double fadeOut = i + size_t(0.05 * kAudioRateHz) > count
                                       ? double(count - i) / (0.05 * kAudioRateHz)
                                       : 1.0;
            loop[(first + i) % n] += float(a * fadeOut * env * z.imag());
            z *= w;
            env *= decay;
            if ((i & 1023) == 0) z /= std::abs(z);
        }
    }
}

}  // namespace

std::vector<float> SynthesizeMusic(uint64_t seed) {
    Rng rng(seed ^ 0x6D75736963ull);
    const double lengthS = 8.0;
    std::vector<float> loop(size_t(lengthS * kAudioRateHz), 0.0f);
    const int transpose = int(rng.Next() % 7) - 3;
    auto note = [&](int semitone) { return 261.63 * std::pow(2.0, (semitone + transpose) / 12.0); };
    // C - G - Am - F, two seconds each, strummed on every half second.
    const int chords[4][3] = {{0, 4, 7}, {-5, -1, 2}, {-3, 0, 4}, {-7, -3, 0}};
    const std::vector<double> pad = {1.0, 0.5, 0.3, 0.15};
    const std::vector<double> pluck = {1.0, 0.35, 0.12};
    for (int c = 0; c < 4; ++c) {
        for (int beat = 0; beat < 4; ++beat) {
            const double t = 2.0 * c + 0.5 * beat;
            for (int k = 0; k < 3; ++k)
                AddNote(loop, t + 0.012 * k, note(chords[c][k]), beat == 0 ? 0.30 : 0.18, 0.45, 1.0,
                        pad);
        }
        AddNote(loop, 2.0 * c, note(chords[c][0] - 12), 0.45, 0.8, 2.0, pad);
        AddNote(loop, 2.0 * c + 1.0, note(chords[c][0] - 12), 0.35, 0.8, 1.0, pad);
        // Melody from the chord and the pentatonic scale, an octave up.
        const int scale[] = {0, 2, 4, 7, 9};
        for (int m = 0; m < 8; ++m) {
            if (rng.Uniform() < 0.2) continue;
            const int step =
                rng.Uniform() < 0.5 ? chords[c][rng.Next() % 3] : scale[rng.Next() % 5];
            AddNote(loop, 2.0 * c + 0.25 * m, note(step + 12), 0.35, 0.25, 0.5, pluck);
        }
    }
    loop = CircularLowpass(loop, kLoopLowpassHz);
    NormalizePeak(loop);
    return loop;
}

std::vector<float> SynthesizeVoice(uint64_t seed) {
    Rng rng(seed ^ 0x766F696365ull);
    const size_t n = size_t(12.0 * kAudioRateHz);
    const bool female = rng.Uniform() < 0.4;
    const double f0Base = (female ? 200.0 : 115.0) * (0.9 + 0.2 * rng.Uniform());
    const double formantScale = female ? 1.15 : 1.0;
    static const double kVowels[][3] = {{730, 1090, 2440}, {530, 1840, 2480}, {270, 2290, 3010},
                                        {570, 840, 2410},  {300, 870, 2240},  {660, 1720, 2410},
                                        {490, 1350, 1690}};
    std::vector<float> amp(n, 0.0f), noise(n, 0.0f), f0(n, float(f0Base));
    std::vector<float> fm[3] = {std::vector<float>(n, 500.0f), std::vector<float>(n, 1500.0f),
                                std::vector<float>(n, 2500.0f)};
    // Syllables in phrases, phrases between pauses; the loop ends in a pause.
    size_t t = size_t(0.3 * kAudioRateHz);
    int vowel = 0;
    while (t + size_t(1.5 * kAudioRateHz) < n) {
        const int syllables = 5 + int(rng.Next() % 8);
        const size_t phraseStart = t;
        for (int s = 0; s < syllables && t + size_t(0.8 * kAudioRateHz) < n; ++s) {
            const size_t len = size_t((0.12 + 0.16 * rng.Uniform()) * kAudioRateHz);
            const int next = int(rng.Next() % 7);
            const double stress = 0.6 + 0.4 * rng.Uniform();
            for (size_t i = 0; i < len; ++i) {
                const double x = double(i) / double(len);
                amp[t + i] = float(stress * std::pow(std::sin(kPi * x), 0.7));
                // Glide from the last vowel during the first 40 ms.
                const double g = std::min(1.0, double(i) / (0.04 * kAudioRateHz));
                for (int k = 0; k < 3; ++k)
                    fm[k][t + i] =
                        float(formantScale * ((1 - g) * kVowels[vowel][k] + g * kVowels[next][k]));
                // Falling intonation over the phrase.
                const double phrase = double(t + i - phraseStart) / (2.5 * kAudioRateHz);
                f0[t + i] = float(f0Base * (1.1 - 0.2 * std::min(1.0, phrase)) *
                                  (1.0 + 0.05 * std::sin(2 * kPi * x)));
                if (i < size_t(0.035 * kAudioRateHz) && (s % 2 == 0))
                    noise[t + i] = 0.5f;  // a consonant's burst
            }
            vowel = next;
            t += len +
                 size_t((0.02 + (rng.Uniform() < 0.3 ? 0.1 : 0.03) * rng.Uniform()) * kAudioRateHz);
        }
        t += size_t((0.4 + 0.5 * rng.Uniform()) * kAudioRateHz);
    }
    // Glottal pulses with a spectral tilt, through three formant resonators.
    std::vector<float> out(n);
    double phase = 0.0, tilt1 = 0.0, tilt2 = 0.0;
    double y[3][2] = {{0, 0}, {0, 0}, {0, 0}};
    const double bandwidth[3] = {80.0, 100.0, 150.0};
    double radius[3];
    for (int k = 0; k < 3; ++k)
        radius[k] = std::exp(-kPi * bandwidth[k] / kAudioRateHz);
    double hp = 0.0, hpIn = 0.0;
    for (size_t i = 0; i < n; ++i) {
        phase += f0[i] / kAudioRateHz;
        double e = 0.0;
        if (phase >= 1.0) {
            phase -= 1.0;
            e = 1.0;
        }
        tilt1 = 0.75 * tilt1 + e;
        tilt2 = 0.75 * tilt2 + tilt1;
        double x = tilt2 * amp[i] + noise[i] * amp[i] * rng.Gauss() * 0.4;
        for (int k = 0; k < 3; ++k) {
            const double r = radius[k];
            const double a1 = 2.0 * r * std::cos(2.0 * kPi * fm[k][i] / kAudioRateHz);
            const double v = (1.0 - r) * x + a1 * y[k][0] - r * r * y[k][1];
            y[k][1] = y[k][0];
            y[k][0] = v;
            x = v;
        }
        // DC blocker (about 80 Hz).
        hp = 0.968 * (hp + x - hpIn);
        hpIn = x;
        out[i] = float(hp);
    }
    NormalizePeak(out);
    for (float& v : out)
        v = float(std::tanh(2.5 * v) / std::tanh(2.5));  // speech processor
    out = CircularLowpass(out, kLoopLowpassHz);
    NormalizePeak(out);
    return out;
}

std::shared_ptr<const std::vector<float>> ReadWavAudio(const std::string& path,
                                                       std::string& error) {
    auto fail = [&](const std::string& why) {
        error = path + ": " + why;
        return nullptr;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot open the WAV file");
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
    std::vector<int16_t> pcm;
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
            const uint64_t maxBytes = uint64_t(rate) * channels * 2 * 300;
            const uint64_t want = std::min<uint64_t>(size, maxBytes);
            pcm.resize(size_t(want / 2));
            in.read(reinterpret_cast<char*>(pcm.data()), std::streamsize(pcm.size() * 2));
            pcm.resize(size_t(in.gcount() / 2));  // a truncated file plays what it has
            break;
        } else {
            in.ignore(std::streamsize(size) + (size & 1));
        }
    }
    if (!haveFormat) return fail("no format chunk");
    const size_t frames = channels ? pcm.size() / channels : 0;
    if (frames == 0) return fail("no samples");
    std::vector<double> mono(frames);
    for (size_t i = 0; i < frames; ++i) {
        double s = 0.0;
        for (uint32_t c = 0; c < channels; ++c)
            s += pcm[i * channels + c];
        mono[i] = s / (32768.0 * channels);
    }
    // Windowed-sinc resampling, circular so that the loop stays seamless.
    const double ratio = double(rate) / kAudioRateHz;         // input samples per output sample
    const double cutoff = 0.45 * std::min(1.0, 1.0 / ratio);  // cycles per input sample
    const int half = int(std::ceil(16.0 * std::max(1.0, ratio)));
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
    std::vector<float> monoF(mono.begin(), mono.end());
    const std::vector<double> ext = Wrapped(monoF, size_t(half));  // ext[i + half] = mono[i]
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
        const double* x = ext.data() + base + 1;  // input index base - half + 1
        double acc = 0.0;
        for (int k = 0; k < taps; ++k)
            acc += w[k] * x[k];
        (*out)[j] = float(acc);
    }
    return out;
}

std::unique_ptr<AudioSource> MakeAudioSource(const AudioSpec& spec, uint64_t seed) {
    switch (spec.kind) {
        case AudioSpec::Kind::Tone:
            return std::make_unique<ToneSource>(spec.tone1Hz, 0.0);
        case AudioSpec::Kind::Tones:
            return std::make_unique<ToneSource>(spec.tone1Hz, spec.tone2Hz);
        case AudioSpec::Kind::Silence:
            return std::make_unique<SilenceSource>();
        case AudioSpec::Kind::Voice:
        case AudioSpec::Kind::Music: {
            // A variant and a starting point of its own for each station.
            Rng rng(seed);
            const uint64_t variant = rng.Next() % kVariants;
            return std::make_unique<LoopSource>(CachedProgramme(spec.kind, variant),
                                                size_t(rng.Next() % 1000000));
        }
        case AudioSpec::Kind::Wav:
            if (spec.wavSamples && !spec.wavSamples->empty()) {
                auto p = std::make_shared<Programme>();
                p->real = *spec.wavSamples;
                return std::make_unique<LoopSource>(std::move(p), 0);
            }
            return std::make_unique<SilenceSource>();
    }
    return std::make_unique<SilenceSource>();
}

}  // namespace velorix::sim
