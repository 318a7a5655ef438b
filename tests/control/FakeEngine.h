#pragma once

#include <string>
#include <vector>

#include "DisplayFeedControl.h"
#include "EngineControl.h"
#include "PlaybackPacing.h"

namespace velorix::test {

// Records what the control layer asks of the receive chain and of the audio
// output's pacing, and keeps the
// last value of every setting so tests can read them back.
class FakeEngine : public EngineControl, public PlaybackPacing, public DisplayFeedControl {
public:
    std::vector<std::string> calls;
    int mode = -1;
    int bandwidth = -1;
    int passbandCentreHz = 0;
    int passbandWidthHz = 0;
    int agc = -1;
    double offsetHz = 0.0;
    bool nbOn = false;
    double nbThreshold = 0.0;
    bool nrOn = true;
    double nrStepDb = -1.0;
    double volumeDb = 0.0;
    bool muted = false;
    bool pacing = false;
    int lockResets = 0;
    int restartDisplays = 0;
    int agcResets = 0;
    bool locked = false;
    double averageDb = -100.0;
    double peakDb = -90.0;

    void SetMode(int m) override { mode = m, Log("SetMode", m); }
    void SetBandwidth(int f) override { bandwidth = f, Log("SetBandwidth", f); }
    void SetPassband(double, double) override { Log("SetPassband", 0); }
    void SetPassbandHz(int c, int w) override {
        passbandCentreHz = c;
        passbandWidthHz = w;
        calls.push_back("SetPassbandHz " + std::to_string(c) + " " + std::to_string(w));
    }
    void SetAgcChoice(int a) override { agc = a, Log("SetAgcChoice", a); }
    void RestartDisplays() override { ++restartDisplays, Log("RestartDisplays", 0); }
    void SetTuningOffsetHz(double o) override { offsetHz = o; }
    double GetTuningOffsetHz() const override { return offsetHz; }
    void SetNoiseBlankerEnabled(bool on) override { nbOn = on; }
    void SetNoiseBlankerThreshold(double v) override { nbThreshold = v; }
    void SetNoiseReductionEnabled(bool on) override { nrOn = on; }
    void SetNoiseReductionStepDb(double s) override { nrStepDb = s; }
    void SetVolumeDb(double l) override { volumeDb = l; }
    void SetMuted(bool m) override { muted = m; }
    void ResetAgc() override { ++agcResets; }
    void SetPlaybackPacing(bool on) override { pacing = on; }  // PlaybackPacing
    void ResetDemodulatorLock() override { ++lockResets, locked = false; }
    bool IsDemodulatorLocked() const override { return locked; }
    double AgcAverageLevelDb() const override { return averageDb; }
    double AgcPeakLevelDb() const override { return peakDb; }
    double CarrierOffsetHz() const override { return 0.0; }
    double BandPassRateKHz() const override { return 31.25; }

    // The main display's feed pace.
    int skipLimit = 0;
    bool autoThrottle = false;
    int GetMainSkipLimit() const override { return skipLimit; }
    void SetMainSkipLimit(int n) override { skipLimit = n; }
    void SetMainAutoThrottle(bool on) override { autoThrottle = on; }

private:
    void Log(const char* what, int v) {
        calls.push_back(std::string(what) + " " + std::to_string(v));
    }
};

}  // namespace velorix::test
