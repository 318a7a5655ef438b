#include "StationSignal.h"

#include <algorithm>
#include <cmath>

#include "DspMath.h"
#include "TextKeying.h"

namespace velorix::sim {

namespace {

constexpr double kCwEdgeS = 0.005;  // raised-cosine rise and fall
constexpr size_t kDrmPeriod = 16384;
constexpr int kFadePaths = 8;

std::vector<Cpx> MakeDrmBlock(Rng& rng) {
    std::vector<Cpx> spectrum(kDrmPeriod);
    const double binHz = kAudioRateHz / double(kDrmPeriod);
    for (size_t k = 0; k < kDrmPeriod; ++k) {
        const double f = (k < kDrmPeriod / 2 ? double(k) : double(k) - double(kDrmPeriod)) * binHz;
        const double a = std::fabs(f);
        double db;
        if (a <= 4500.0)
            db = 0.0;  // flat top
        else if (a <= 5200.0)
            db = -40.0 * (a - 4500.0) / 700.0;  // sloping edges
        else
            continue;
        spectrum[k] = std::polar(std::pow(10.0, db / 20.0), 2.0 * kPi * rng.Uniform());
    }
    // A pilot 12 dB above the carriers around it.
    spectrum[size_t(std::lround(1500.0 / binHz))] *= 4.0;
    Fft(spectrum, true);
    double power = 0.0;
    for (const Cpx& v : spectrum)
        power += std::norm(v);
    const double scale = 1.0 / std::sqrt(power / double(kDrmPeriod));
    for (Cpx& v : spectrum)
        v *= scale;
    return spectrum;
}

}  // namespace

StationSignal::StationSignal(const StationDef& def, uint64_t seed) : def_(def) {
    Rng rng(seed);
    switch (def.mode) {
        case StationMode::Am:
            peak_ = 1.0 + def.depth;
            [[fallthrough]];
        case StationMode::Usb:
        case StationMode::Lsb:
        case StationMode::Fm:
            audio_ = MakeAudioSource(def.audio, seed);
            break;
        case StationMode::Cw:
            keying_ = text_keying::MorseUnits(def.text);
            samplesPerUnit_ = 1.2 / def.wpm * kAudioRateHz;
            break;
        case StationMode::Rtty:
            keying_ = text_keying::BaudotHalfBits(def.text);
            samplesPerUnit_ = 0.5 / def.baud * kAudioRateHz;
            break;
        case StationMode::Drm: {
            drm_ = MakeDrmBlock(rng);
            peak_ = 0.0;
            for (const Cpx& v : drm_)
                peak_ = std::max(peak_, std::abs(v));
            drmPos_ = size_t(rng.Next() % kDrmPeriod);
            break;
        }
        case StationMode::Carrier:
            break;
    }
    if (def.fadingSeconds > 0.0) {
        // Paths arriving from all directions: Doppler shifts up to 1 / period.
        const double fMax = 1.0 / def.fadingSeconds;
        for (int k = 0; k < kFadePaths; ++k) {
            const double angle = 2.0 * kPi * (k + rng.Uniform()) / kFadePaths;
            const double f = fMax * std::cos(angle);
            fadePhasor_.push_back(
                std::polar(1.0 / std::sqrt(double(kFadePaths)), 2.0 * kPi * rng.Uniform()));
            fadeStep_.push_back(std::polar(1.0, 2.0 * kPi * f / kAudioRateHz));
        }
    }
}

void StationSignal::Generate(Cpx* out, size_t n) {
    Modulate(out, n);
    if (!fadePhasor_.empty()) ApplyFading(out, n);
    sample_ += n;
}

void StationSignal::Modulate(Cpx* out, size_t n) {
    switch (def_.mode) {
        case StationMode::Carrier:
            std::fill(out, out + n, Cpx(1.0, 0.0));
            return;
        case StationMode::Am:
            audioBuffer_.resize(n);
            audio_->Next(audioBuffer_.data(), n);
            for (size_t i = 0; i < n; ++i)
                out[i] = Cpx(1.0 + def_.depth * audioBuffer_[i], 0.0);
            return;
        case StationMode::Usb:
            audio_->NextAnalytic(out, n);
            return;
        case StationMode::Lsb:
            audio_->NextAnalytic(out, n);
            for (size_t i = 0; i < n; ++i)
                out[i] = std::conj(out[i]);
            return;
        case StationMode::Fm: {
            audioBuffer_.resize(n);
            audio_->Next(audioBuffer_.data(), n);
            // Summing samples integrates with a gain of (w/2)/sin(w/2) against the
            // true integral; a 3-tap pre-emphasis of 1 - w^2/24 takes that out, so
            // that the deviation holds across the audio band (one sample late).
            const double k = def_.deviationHz / kAudioRateHz;
            for (size_t i = 0; i < n; ++i) {
                const double a = audioBuffer_[i];
                const double corrected = (fmHistory_[1] + 22.0 * fmHistory_[0] + a) / 24.0;
                fmHistory_[1] = fmHistory_[0];
                fmHistory_[0] = a;
                out[i] = std::polar(1.0, 2.0 * kPi * phase_);
                phase_ += k * corrected;
                phase_ -= std::floor(phase_);
            }
            return;
        }
        case StationMode::Cw: {
            const double step = 1.0 / (kCwEdgeS * kAudioRateHz);
            for (size_t i = 0; i < n; ++i) {
                const uint64_t unit = uint64_t(double(sample_ + i) / samplesPerUnit_);
                const bool down = keying_[size_t(unit % keying_.size())];
                ramp_ = down ? std::min(1.0, ramp_ + step) : std::max(0.0, ramp_ - step);
                out[i] = Cpx(0.5 - 0.5 * std::cos(kPi * ramp_), 0.0);
            }
            return;
        }
        case StationMode::Rtty: {
            const double mark = 0.5 * def_.shiftHz / kAudioRateHz;
            for (size_t i = 0; i < n; ++i) {
                const uint64_t half = uint64_t(double(sample_ + i) / samplesPerUnit_);
                const bool isMark = keying_[size_t(half % keying_.size())];
                out[i] = std::polar(1.0, 2.0 * kPi * phase_);
                phase_ += isMark ? mark : -mark;
                phase_ -= std::floor(phase_);
            }
            return;
        }
        case StationMode::Drm:
            for (size_t i = 0; i < n; ++i) {
                out[i] = drm_[drmPos_];
                if (++drmPos_ == drm_.size()) drmPos_ = 0;
            }
            return;
    }
}

void StationSignal::ApplyFading(Cpx* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        Cpx g;
        for (size_t k = 0; k < fadePhasor_.size(); ++k) {
            g += fadePhasor_[k];
            fadePhasor_[k] *= fadeStep_[k];
        }
        out[i] *= g;
    }
    // Keep the phasors on their circle despite rounding.
    const double r = 1.0 / std::sqrt(double(fadePhasor_.size()));
    for (Cpx& p : fadePhasor_)
        p *= r / std::abs(p);
}

}  // namespace velorix::sim
