#include "DisplayTables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velorix {

int MainFFTSize(int mainFFTIdx) {
    return kMainFFTSizes[static_cast<std::size_t>(std::clamp(mainFFTIdx, 0, 6))];
}

int DbPerDivision(int refScaleIdx) {
    return kDbPerDivision[static_cast<std::size_t>(std::clamp(refScaleIdx, 0, 4))];
}

double AveragingFactor(int value) {
    return value == 0 ? 0.0 : 1.0 - std::pow(2.0, -value / 100.0);
}

std::string SpanText(int rateIdx, int mainFFTIdx) {
    // The spans double with the rate and with every halving of the FFT, so
    // one row indexed by rate index + MainFFTIdx holds the whole table (Hz).
    static constexpr int kFirstHz[9] = {1562,  3125,   6250,   12500, 25000,
                                        50000, 100000, 200000, 400000};
    static constexpr int kSecondHz[9] = {1907,  3815,   7629,   15259, 30517,
                                         61035, 122070, 244141, 488281};
    const int i = std::clamp(rateIdx, 0, 2) + std::clamp(mainFFTIdx, 0, 6);
    char text[48];
    std::snprintf(text, sizeof text, "%.1f / %.1f", kFirstHz[i] / 1000.0, kSecondHz[i] / 1000.0);
    return text;
}

double LevelCalibrationDb(const SettingsRecord& settings) {
    const int att = std::clamp(settings.AttenuatorIdx, 0, 3);
    double level = kAttenuatorCorrectionDb[static_cast<std::size_t>(att)] + settings.levelOffsetDb;
    if (settings.Preselector) {
        const int band = std::clamp(settings.preselectorBand.load(), 0, 10);
        level += kPreselectorLossDb[static_cast<std::size_t>(band)];
    }
    return level;
}

std::vector<int> WaterfallIndices(const double* levelsDb, int count) {
    std::vector<int> out;
    if (levelsDb == nullptr || count <= 0) return out;
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += levelsDb[i];
    const double floorDb = sum / count - 15.0;
    out.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        // Clamped to well outside 0..255 before the conversion, so a wild
        // level (or a NaN) never overflows an int.
        double v = 2.0 * (levelsDb[i] - floorDb);
        if (!(v > -1e6)) v = -1e6;
        if (v > 1e6) v = 1e6;
        out[static_cast<std::size_t>(i)] = static_cast<int>(std::trunc(v));
    }
    return out;
}

namespace {

double Channel(double m1, double m2, double x) {
    if (x < 0.0) x += 1.0;
    if (x > 1.0) x -= 1.0;
    if (x < 1.0 / 6.0) return m1 + (m2 - m1) * 6.0 * x;
    if (x < 0.5) return m2;
    if (x < 2.0 / 3.0) return m1 + (m2 - m1) * (2.0 / 3.0 - x) * 6.0;
    return m1;
}

std::array<Rgb, 256> BuildPalette() {
    std::array<Rgb, 256> palette{};
    const double s = 1.0;
    for (int i = 0; i < 256; ++i) {
        const double l = i < 192 ? i / 192.0 : 1.0;
        const double t = i < 128 ? i / 128.0 : 1.0;
        double h = 0.95 - t;
        if (h < 0.0) h += 1.0;
        const double m2 = l < 0.5 ? l * (1.0 + s) : l + s - l * s;
        const double m1 = 2.0 * l - m2;
        auto to8 = [](double c) { return static_cast<std::uint8_t>(std::trunc(c * 255.0)); };
        palette[static_cast<std::size_t>(i)] = {to8(Channel(m1, m2, h + 1.0 / 3.0)),
                                                to8(Channel(m1, m2, h)),
                                                to8(Channel(m1, m2, h - 1.0 / 3.0))};
    }
    return palette;
}

}  // namespace

const std::array<Rgb, 256>& WaterfallPalette() {
    static const std::array<Rgb, 256> palette = BuildPalette();
    return palette;
}

}  // namespace velorix
