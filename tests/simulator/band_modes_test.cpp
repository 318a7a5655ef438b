// Each mode's signal where it belongs: measured with direct DFTs, Bessel
// sidebands for FM, a Morse decoder for CW and a Baudot decoder for RTTY.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "BandProbe.h"

namespace velorix::sim {
namespace {

using namespace probe;

constexpr double kFs = 125000.0;
constexpr double kCentre = 7000000.0;
constexpr double kOffset = 20000.0;  // every station sits 20 kHz above the centre
constexpr double kCal = -4.0;        // attenuator 0, preamp off, no preselector

std::vector<C> Station(const std::string& keys, size_t n, double level = -60.0) {
    BandModel band(Scenario("station freq=7020000 level=" + std::to_string(level) + " " + keys), 5);
    band.SetRate(125);
    band.SetCentreHz(kCentre);
    return Samples(band, n);
}

// dBm of the component `audioHz` away from the station's frequency.
double At(const std::vector<C>& x, double audioHz) {
    return ToneDb(x, kFs, kOffset + audioHz, 4096) + kCal;
}

// The station mixed to DC and averaged over `decimation` samples.
std::vector<C> Baseband(const std::vector<C>& x, size_t decimation) {
    std::vector<C> y;
    C acc;
    for (size_t k = 0; k < x.size(); ++k) {
        acc += x[k] * std::polar(1.0, -2 * kPi * kOffset * double(k) / kFs);
        if ((k + 1) % decimation == 0) {
            y.push_back(acc / double(decimation));
            acc = C();
        }
    }
    return y;
}

TEST(BandModes, CarrierAmAndSsbSitWhereTheirFrequencySays) {
    const std::vector<C> carrier = Station("mode=CARRIER", 32768);
    EXPECT_NEAR(At(carrier, 0), -60.0, 0.5);
    EXPECT_LT(At(carrier, 1000), -120.0);

    // AM, depth 0.5: sidebands 20·log10(0.25) = -12.04 dB below the carrier.
    const std::vector<C> am = Station("mode=AM audio=tone:1000 depth=0.5", 32768);
    EXPECT_NEAR(At(am, 0), -60.0, 0.5);
    EXPECT_NEAR(At(am, 1000), -72.04, 0.5);
    EXPECT_NEAR(At(am, -1000), -72.04, 0.5);

    // USB: audio 1 kHz lands 1 kHz above the dial, LSB below; no carrier.
    const std::vector<C> usb = Station("mode=USB audio=tone:1000", 32768);
    EXPECT_NEAR(At(usb, 1000), -60.0, 0.5);
    EXPECT_LT(At(usb, -1000), -110.0);
    EXPECT_LT(At(usb, 0), -110.0);
    const std::vector<C> lsb = Station("mode=LSB audio=tones:700+1900", 32768);
    EXPECT_NEAR(At(lsb, -700), -66.02, 0.5);  // each tone at half the peak envelope
    EXPECT_NEAR(At(lsb, -1900), -66.02, 0.5);
    EXPECT_LT(At(lsb, 700), -110.0);
}

TEST(BandModes, SsbVoiceKeepsToItsSideband) {
    for (const char* mode : {"USB", "LSB"}) {
        const std::vector<C> x = Station(std::string("mode=") + mode + " audio=voice", 262144);
        // 4 Hz bins; the station's 300-3000 Hz against the mirrored band.
        const size_t n = 32768;
        std::vector<double> wanted(n, 0.0);
        double upper = 0.0, lower = 0.0;
        for (size_t start = 0; start + n <= x.size(); start += n) {
            const std::vector<double> db = SpectrumDb(x, start, n);
            for (size_t k = 0; k < n; ++k) {
                const double f = (k < n / 2 ? double(k) : double(k) - double(n)) * kFs / n;
                const double p = std::pow(10.0, db[k] / 10);
                if (f > kOffset + 300 && f < kOffset + 3000) upper += p;
                if (f < kOffset - 300 && f > kOffset - 3000) lower += p;
            }
        }
        SCOPED_TRACE(mode);
        const double ratioDb = 10 * std::log10(upper / lower);
        if (std::string(mode) == "USB")
            EXPECT_GT(ratioDb, 40.0);
        else
            EXPECT_LT(ratioDb, -40.0);
    }
}

TEST(BandModes, FmSidebandsFollowBessel) {
    // Tone 1 kHz, deviation 2.5 kHz: index 2.5.
    const std::vector<C> x = Station("mode=FM audio=tone:1000 deviation=2500", 65536);
    for (int k = -3; k <= 3; ++k) {
        // |J-k| = |Jk|.
        const double expected =
            -60.0 + 20 * std::log10(std::fabs(std::cyl_bessel_j(std::abs(k), 2.5)));
        SCOPED_TRACE(k);
        EXPECT_NEAR(At(x, 1000.0 * k), expected, 0.5);
    }
}

TEST(BandModes, DrmIsATenKilohertzFlatBlockOfTheDeclaredPower) {
    const std::vector<C> x = Station("mode=DRM", 131072, -65.0);
    const size_t n = 16384;
    std::vector<double> power(n, 0.0);
    int frames = 0;
    for (size_t start = 4096; start + n <= x.size(); start += n, ++frames) {
        const std::vector<double> db = SpectrumDb(x, start, n);
        for (size_t k = 0; k < n; ++k)
            power[k] += std::pow(10.0, db[k] / 10);
    }
    const double bin = kFs / n;
    auto bandPower = [&](double lo, double hi) {
        double p = 0.0;
        for (size_t k = 0; k < n / 2; ++k) {
            const double f = double(k) * bin - kOffset;
            if (f >= lo && f < hi) p += power[k] / frames;
        }
        return 10 * std::log10(p / 1.5) + kCal;  // Hann: 1.5 bins of noise bandwidth
    };
    EXPECT_NEAR(bandPower(-6000, 6000), -65.0, 0.5);
    // Flat top: each kilohertz of the middle carries a tenth of the power.
    for (double f = -4000; f < 4000; f += 1000) {
        if (f == 1000) continue;  // the pilot's kilohertz
        EXPECT_NEAR(bandPower(f, f + 1000), -75.0, 1.5) << f;
    }
    // Sloping edges, and nothing far outside.
    EXPECT_LT(bandPower(5500, 8000), -110.0);
    EXPECT_LT(bandPower(-8000, -5500), -110.0);
}

std::string DecodeMorse(const std::vector<double>& envelope, double rateHz) {
    static const std::map<std::string, char> kCode = {
        {".-", 'A'},   {"-...", 'B'}, {"-.-.", 'C'}, {"-..", 'D'},  {".", 'E'},    {"..-.", 'F'},
        {"--.", 'G'},  {"....", 'H'}, {"..", 'I'},   {".---", 'J'}, {"-.-", 'K'},  {".-..", 'L'},
        {"--", 'M'},   {"-.", 'N'},   {"---", 'O'},  {".--.", 'P'}, {"--.-", 'Q'}, {".-.", 'R'},
        {"...", 'S'},  {"-", 'T'},    {"..-", 'U'},  {"...-", 'V'}, {".--", 'W'},  {"-..-", 'X'},
        {"-.--", 'Y'}, {"--..", 'Z'}};
    double peak = 0.0;
    for (double v : envelope)
        peak = std::max(peak, v);
    // Runs of key down and up, in seconds.
    std::vector<std::pair<bool, double>> runs;
    for (double v : envelope) {
        const bool on = v > 0.5 * peak;
        if (runs.empty() || runs.back().first != on) runs.push_back({on, 0.0});
        runs.back().second += 1.0 / rateHz;
    }
    double dot = 1e9;
    for (size_t i = 1; i + 1 < runs.size(); ++i)
        if (runs[i].first) dot = std::min(dot, runs[i].second);
    std::string text, symbol;
    for (size_t i = 1; i + 1 < runs.size(); ++i) {  // the first and last runs are cut
        const double units = runs[i].second / dot;
        if (runs[i].first) {
            symbol += units < 2 ? '.' : '-';
        } else if (units > 2) {
            const auto it = kCode.find(symbol);
            text += it == kCode.end() ? '?' : it->second;
            symbol.clear();
            if (units > 5) text += ' ';
        }
    }
    return text;
}

TEST(BandModes, CwSendsItsTextInMorseAtItsSpeed) {
    // 30 wpm: a dot is 40 ms. The text repeats after a word gap.
    const std::vector<C> x =
        Station("mode=CW text=\"CQ DE TEST K\" wpm=30", size_t(kFs * 6.5), -70.0);
    const std::vector<C> bb = Baseband(x, 125);  // 1 kHz
    std::vector<double> envelope;
    for (const C& v : bb)
        envelope.push_back(std::abs(v));
    const std::string text = DecodeMorse(envelope, 1000.0);
    EXPECT_NE(text.find("CQ DE TEST K CQ"), std::string::npos) << text;
    // Key down at the declared level (peak of the envelope).
    double peak = 0.0;
    for (double v : envelope)
        peak = std::max(peak, v);
    EXPECT_NEAR(20 * std::log10(peak) + kCal, -70.0, 0.5);
    // The dot length: 40 ms at 30 wpm.
    int shortest = 1 << 30, run = 0;
    for (size_t i = 1; i < envelope.size(); ++i) {
        const bool on = envelope[i] > 0.5 * peak;
        if (on) ++run;
        if (!on && run > 0) {
            shortest = std::min(shortest, run);
            run = 0;
        }
    }
    EXPECT_NEAR(shortest, 40, 2);
}

TEST(BandModes, RttyKeysMarkAboveSpaceAtItsBaudRate) {
    const std::vector<C> x = Station("mode=RTTY text=\"RYRY CQ DE TEST 73\" baud=45.45 shift=170",
                                     size_t(kFs * 8), -70.0);
    // Discriminator at 5 kHz: the phase step gives the instantaneous frequency.
    const std::vector<C> bb = Baseband(x, 25);
    const double rate = kFs / 25;
    std::vector<int> bits;
    double markHz = 0.0, spaceHz = 0.0;
    int marks = 0, spaces = 0;
    for (size_t i = 1; i < bb.size(); ++i) {
        const double f = std::arg(bb[i] * std::conj(bb[i - 1])) * rate / (2 * kPi);
        bits.push_back(f > 0);
        if (f > 0) {
            markHz += f;
            ++marks;
        } else {
            spaceHz += f;
            ++spaces;
        }
    }
    // Mark 85 Hz above the centre, space 85 Hz below (the averages include the
    // short transitions between them).
    EXPECT_NEAR(markHz / marks, 85.0, 3.0);
    EXPECT_NEAR(spaceHz / spaces, -85.0, 3.0);
    // Constant envelope at the declared level.
    EXPECT_NEAR(20 * std::log10(std::abs(bb[bb.size() / 2])) + kCal, -70.0, 0.5);
    // Asynchronous decoding: a start bit (space) after mark, five bits at their
    // centres, then stop; bit 0 first.
    const double bit = rate / 45.45;
    static const char kLetters[32] = {0,   'E', '\n', 'A', ' ', 'S', 'I', 'U', '\r', 'D', 'R',
                                      'J', 'N', 'F',  'C', 'K', 'T', 'Z', 'L', 'W',  'H', 'Y',
                                      'P', 'Q', 'O',  'B', 'G', 0,   'M', 'X', 'V',  0};
    static const char kFigures[32] = {0,    '3', '\n', '-', ' ', 0,   '8', '7', '\r', 0, '4',
                                      '\'', ',', 0,    ':', '(', '5', '+', ')', '2',  0, '6',
                                      '0',  '1', '9',  '?', 0,   0,   '.', '/', '=',  0};
    std::string text;
    bool figures = false;
    size_t i = 1;
    while (i + size_t(8 * bit) < bits.size()) {
        if (!(bits[i - 1] == 1 && bits[i] == 0)) {
            ++i;
            continue;
        }
        int code = 0;
        for (int b = 0; b < 5; ++b)
            code |= bits[i + size_t((1.5 + b) * bit)] << b;
        if (bits[i + size_t(6.5 * bit)] != 1) {  // no stop bit: not a character
            ++i;
            continue;
        }
        if (code == 0x1B)
            figures = true;
        else if (code == 0x1F)
            figures = false;
        else if (char c = (figures ? kFigures : kLetters)[code])
            text += c;
        i += size_t(7.0 * bit);
    }
    EXPECT_NE(text.find("RYRY CQ DE TEST 73\r\nRYRY"), std::string::npos) << text;
    // Keying rate: runs of one tone last whole bits (the stop bit 1.5) of 22.0 ms.
    std::vector<double> runs;
    int run = 1;
    for (size_t k = 1; k < bits.size(); ++k) {
        if (bits[k] == bits[k - 1]) {
            ++run;
        } else {
            if (run > 10) runs.push_back(run / rate * 45.45 * 2);  // in half bits
            run = 1;
        }
    }
    ASSERT_GT(runs.size(), 50u);
    double shortest = 1e9;
    for (double r : runs) {
        EXPECT_NEAR(r, std::round(r), 0.15);  // a whole number of half bits
        shortest = std::min(shortest, r);
    }
    EXPECT_NEAR(shortest, 2.0, 0.15);  // one bit
}

}  // namespace
}  // namespace velorix::sim
