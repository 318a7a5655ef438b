#include "AudioSources.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "DspMath.h"

namespace velorix::sim {

namespace {

constexpr double kSsbLowHz = 300.0, kSsbHighHz = 3000.0;
constexpr int kSsbTaps = 121;

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
    const std::vector<double> ext = WrappedLoop(x, half);
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

std::shared_ptr<Programme> CachedProgramme(AudioDef::Kind kind, uint64_t variant) {
    static std::map<std::pair<int, uint64_t>, std::shared_ptr<Programme>> cache;
    std::lock_guard lock(ProgrammeLock());
    std::shared_ptr<Programme>& p = cache[{int(kind), variant}];
    if (!p) {
        p = std::make_shared<Programme>();
        p->real = kind == AudioDef::Kind::Voice ? SynthesizeVoice(variant + 1)
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

}  // namespace

void PrepareProgramme(const AudioDef& def, uint64_t seed, bool analytic) {
    if (def.kind != AudioDef::Kind::Voice && def.kind != AudioDef::Kind::Music) return;
    Rng rng(seed);  // the variant MakeAudioSource will pick
    const std::shared_ptr<Programme> p = CachedProgramme(def.kind, rng.Next() % kVariants);
    if (!analytic) return;
    std::lock_guard lock(ProgrammeLock());
    if (p->analytic.empty()) p->analytic = MakeAnalytic(p->real);
}

std::unique_ptr<AudioSource> MakeAudioSource(const AudioDef& def, uint64_t seed) {
    switch (def.kind) {
        case AudioDef::Kind::Tone:
            return std::make_unique<ToneSource>(def.tone1Hz, 0.0);
        case AudioDef::Kind::Tones:
            return std::make_unique<ToneSource>(def.tone1Hz, def.tone2Hz);
        case AudioDef::Kind::Silence:
            return std::make_unique<SilenceSource>();
        case AudioDef::Kind::Voice:
        case AudioDef::Kind::Music: {
            // A variant and a starting point of its own for each station.
            Rng rng(seed);
            const uint64_t variant = rng.Next() % kVariants;
            return std::make_unique<LoopSource>(CachedProgramme(def.kind, variant),
                                                size_t(rng.Next() % 1000000));
        }
        case AudioDef::Kind::Wav:
            if (def.wavSamples && !def.wavSamples->empty()) {
                auto p = std::make_shared<Programme>();
                p->real = *def.wavSamples;
                return std::make_unique<LoopSource>(std::move(p), 0);
            }
            return std::make_unique<SilenceSource>();
    }
    return std::make_unique<SilenceSource>();
}

}  // namespace velorix::sim
