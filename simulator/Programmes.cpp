#include "AudioSources.h"

#include <algorithm>
#include <cmath>

#include "DspMath.h"

// The built-in programmes: a synthetic talker and a synthetic piece of music,
// each one loop at the audio rate, band-limited to broadcast audio and
// normalised to a peak of 1.
namespace velorix::sim {

namespace {

constexpr double kLoopLowpassHz = 4500.0;  // broadcast audio bandwidth

// Circular FIR over a loop, so that the loop stays seamless.
std::vector<float> CircularLowpass(const std::vector<float>& x, double cutoffHz) {
    const std::vector<double> h = WindowedSinc(63, cutoffHz / kAudioRateHz, 1.0, 70.0);
    const size_t n = x.size(), half = h.size() / 2;
    const std::vector<double> ext = WrappedLoop(x, half);
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

}  // namespace velorix::sim
