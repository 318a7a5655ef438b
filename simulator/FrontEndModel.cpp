#include "FrontEndModel.h"

#include <array>
#include <cmath>

namespace velorix::sim {

FrontEndSetting FrontEndSetting::FromState(const FrontEndState& state, bool preProduction) {
    FrontEndSetting s;
    const int step = (state.portByte >> 4) & 3;
    s.attenuatorStep = preProduction ? 3 - step : step;
    s.preselectorFilter = state.portByte & 0x0F;
    s.preamp = state.controlByte & 0x04;
    s.dither = state.controlByte & 0x02;
    return s;
}

namespace front_end {

namespace {

// Loss of each band filter, and the upper edge of its band in Hz.
constexpr std::array<double, 10> kLossDb = {0.6, 2.5, 2.4, 1.7, 1.1, 1.1, 2.8, 1.9, 1.5, 1.1};
constexpr std::array<double, 10> kUpperHz = {1700000, 2100000,  3000000,  4200000,  6000000,
                                             8400000, 12000000, 17000000, 24000000, 32000000};

bool HasFilter(int filter) {
    return filter >= 0 && filter <= 9;
}

}  // namespace

double AttenuationDb(int step) {
    return 10.0 * (step < 0 ? 0 : step > 3 ? 3 : step);
}

double LevelOffsetDb(bool preamp) {
    return preamp ? -7.5 : -4.0;
}

double PreselectorLossDb(int filter) {
    return HasFilter(filter) ? kLossDb[size_t(filter)] : 0.0;
}

int PreselectorFilterFor(double freqHz) {
    for (int f = 0; f < 10; ++f)
        if (freqHz < kUpperHz[size_t(f)]) return f;
    return 10;
}

bool InPreselectorBand(int filter, double freqHz) {
    if (!HasFilter(filter)) return true;
    const double lower = filter == 0 ? -1.0 : kUpperHz[size_t(filter - 1)];
    return freqHz >= lower && freqHz < kUpperHz[size_t(filter)];
}

double CalibrationDb(const FrontEndSetting& s) {
    return AttenuationDb(s.attenuatorStep) + LevelOffsetDb(s.preamp) +
           PreselectorLossDb(s.preselectorFilter);
}

double GainDb(const FrontEndSetting& s, double freqHz) {
    const double rejection =
        InPreselectorBand(s.preselectorFilter, std::fabs(freqHz)) ? 0.0 : kPreselectorRejectionDb;
    return -CalibrationDb(s) - rejection;
}

double UnitsFromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

}  // namespace front_end
}  // namespace velorix::sim
