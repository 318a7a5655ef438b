#include "SettingsKeys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velorix {

namespace {

// Default pass-band widths, Hz, per mode and filter.
constexpr int kDefaultFltBw[kModeCount][kFilterCount] = {
    {9000, 9000, 5000, 2500, 1500, 500},    // AM
    {9000, 9000, 5000, 2500, 1500, 500},    // SAM
    {9000, 4000, 2000, 1000, 500, 200},     // CW
    {9000, 4000, 2000, 1000, 500, 200},     // RTTY
    {2400, 2400, 2400, 2400, 1400, 700},    // USB
    {2400, 2400, 2400, 2400, 1400, 700},    // LSB
    {15000, 12500, 6000, 3000, 1400, 700},  // FM
    {11000, 11000, 6000, 3000, 1400, 700},  // DRM
    {24000, 12000, 6000, 3000, 1400, 700},  // USER
};
constexpr int kDefaultDemBwIdx[kModeCount] = {1, 1, 4, 4, 3, 3, 1, 1, 1};
constexpr int kDefaultDemWhStepIdx[kModeCount] = {4, 4, 1, 1, 2, 2, 7, 4, 4};
constexpr int kDefaultDemAgcIdx[kModeCount] = {2, 2, 1, 1, 1, 1, 0, 2, 2};

// Bounds for values that select nothing from a table but must stay sane:
// the receiver tunes 0-40 MHz, an offset stays inside the widest band, and
// a pass band fits the widest filter path.
constexpr int kMaxCenterHz = 40000000;
constexpr int kMaxOffsetHz = 250000;
constexpr int kMaxPassbandHz = 100000;

std::string Indexed(const char* name, int a) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%d", name, a);
    return buf;
}

std::string Indexed(const char* name, int a, int b) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%d%d", name, a, b);
    return buf;
}

}  // namespace

int DefaultFilterIndex(int mode) {
    return kDefaultDemBwIdx[std::clamp(mode, 0, kModeCount - 1)];
}

int DefaultFilterWidthHz(int mode, int filter) {
    mode = std::clamp(mode, 0, kModeCount - 1);
    filter = std::clamp(filter, 0, kFilterCount - 1);
    return kDefaultFltBw[mode][filter];
}

void ForEachSettingsKey(SettingsRecord& r, const std::function<void(const SettingsKey&)>& visit) {
    auto key = [&](const std::string& name, int& v, int def, int lo, int hi, bool saved = true) {
        visit(SettingsKey{name, &v, def, lo, hi, saved});
    };
    key("AdcSamplingRate", r.AdcSamplingRate, 80000000, 1, 0x7fffffff);
    key("DdcSamplingRateIdx", r.DdcSamplingRateIdx, 0, 0, kRateCount - 1);
    key("MainFFTIdx", r.MainFFTIdx, 6, 0, 6, false);
    key("CFStepIdx", r.CFStepIdx, 7, 0, 11);
    key("CenterFreq", r.CenterFreq, 14150000, 0, kMaxCenterHz);
    key("FreqOffset", r.FreqOffset, 0, -kMaxOffsetHz, kMaxOffsetHz);
    key("RefLevel", r.RefLevel, 0, -150, 20);
    key("RefScaleIdx", r.RefScaleIdx, 3, 0, 4);
    key("AttenuatorIdx", r.AttenuatorIdx, 0, 0, 3);
    key("MemListIdx", r.MemListIdx, 1, 0, 2);
    key("Preselector", r.Preselector, 1, 0, 1);
    key("AdcPreamp", r.AdcPreamp, 0, 0, 1);
    key("AdcDither", r.AdcDither, 1, 0, 1);
    for (int m = 0; m < kModeCount; ++m)
        for (int f = 0; f < kFilterCount; ++f)
            key(Indexed("FltBw", m, f), r.FltBw[m][f], kDefaultFltBw[m][f], 1, kMaxPassbandHz);
    for (int m = 0; m < kModeCount; ++m)
        for (int f = 0; f < kFilterCount; ++f)
            key(Indexed("FltFc", m, f), r.FltFc[m][f], 0, -kMaxPassbandHz, kMaxPassbandHz);
    key("DemIdx", r.DemIdx, 4, 0, kModeCount - 1);
    for (int m = 0; m < kModeCount; ++m)
        key(Indexed("DemBwIdx", m), r.DemBwIdx[m], kDefaultDemBwIdx[m], 0, kFilterCount - 1);
    for (int m = 0; m < kModeCount; ++m)
        key(Indexed("DemWhStepIdx", m), r.DemWhStepIdx[m], kDefaultDemWhStepIdx[m], 0, 8);
    for (int m = 0; m < kModeCount; ++m)
        key(Indexed("DemAgcIdx", m), r.DemAgcIdx[m], kDefaultDemAgcIdx[m], 0, 3);
    key("DispFnIdx", r.DispFnIdx, 0, 0, 1);
    key("SecDispFnIdx", r.SecDispFnIdx, 0, 0, 2);
    key("TuneMode", r.TuneMode, 1, 0, 1);
    key("SmtrMode", r.SmtrMode, 0, 0, 1);
    key("MainAvgVal", r.MainAvgVal, 200, 0, 800);
    key("SecAvgVal", r.SecAvgVal, 200, 0, 800);
    key("NBVal", r.NBVal, -130, -200, -50);
    key("NRVal", r.NRVal, 0, 0, 200);
    key("VolVal", r.VolVal, -100, -400, 0);
    key("RigctlPort", r.RigctlPort, 0, 0, 65535);
    key("StationNames", r.StationNames, 1, 0, 1);
}

int SettingsKeyCount() {
    SettingsRecord r;
    int n = 0;
    ForEachSettingsKey(r, [&](const SettingsKey&) { ++n; });
    return n;
}

SettingsRecord::SettingsRecord() {
    ResetToDefaults();
}

void SettingsRecord::ResetToDefaults() {
    ForEachSettingsKey(*this, [](const SettingsKey& k) { *k.value = k.defaultValue; });
    RigctlHost = kDefaultRigctlHost;
    Derive();
}

void SettingsRecord::Clamp() {
    ForEachSettingsKey(*this, [](const SettingsKey& k) {
        *k.value = std::clamp(*k.value, k.minValue, k.maxValue);
    });
    Derive();
}

std::vector<std::string> SettingsRecord::MendCombination() {
    Derive();
    std::vector<std::string> changes;
    const int limit = static_cast<int>(OffsetLimitHz());
    if (std::abs(FreqOffset) > limit) {
        const int mended = FreqOffset < 0 ? -limit : limit;
        changes.push_back("the tuning offset " + std::to_string(FreqOffset) +
                          " Hz lies beyond the " + std::to_string(limit) + " Hz the " +
                          std::to_string(static_cast<int>(outputRateKHz)) +
                          " kHz rate allows: set to " + std::to_string(mended) + " Hz");
        FreqOffset = mended;
    }
    if (TunedHz() < 0) {
        changes.push_back("the tuned frequency " + std::to_string(TunedHz()) +
                          " Hz lies below 0: tuned to 0 Hz");
        FreqOffset = CenterFreq;  // within the limit: it was larger and the limit held it
    }
    return changes;
}

void SettingsRecord::Derive() {
    outputRateKHz = kOutputRatesKHz[std::clamp(DdcSamplingRateIdx, 0, kRateCount - 1)];
    levelOffsetDb = AdcPreamp ? -7.5 : -4.0;
}

}  // namespace velorix
