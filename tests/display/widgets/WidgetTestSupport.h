#pragma once

#include <QApplication>
#include <vector>

#include "SettingsRecord.h"
#include "TuningSink.h"

namespace velorix::test {

// An offscreen application with scaling off, made once per program.
QApplication& EnsureApplication();

// Default settings at 500 kHz around 14 150 kHz, offset tuning.
void SetUpSettings(SettingsRecord& s, int demIdx);

// A window stand-in: applies offsets to the settings as the control layer
// does, and records every request.
class RecordingSink : public TuningSink {
public:
    explicit RecordingSink(SettingsRecord& settings) : settings_(settings) {}
    void TuneOffsetHz(int offsetHz) override {
        offsets.push_back(offsetHz);
        settings_.FreqOffset = offsetHz;
    }
    void ShiftOffsetHz(double hz) override { shifts.push_back(hz); }
    void TuneCentreKHz(double kHz) override { centres.push_back(kHz); }
    void ScrollEnded(double kHz, int) override { centres.push_back(kHz); }
    void SetPassbandEdges(double low, double high) override { edges.push_back({low, high}); }
    void SpectrumDragEnded() override { ++dragEnds; }
    void WheelTune(int delta) override { wheels.push_back(delta); }

    std::vector<int> offsets;
    std::vector<double> shifts;
    std::vector<double> centres;
    std::vector<std::pair<double, double>> edges;
    std::vector<int> wheels;
    int dragEnds = 0;

private:
    SettingsRecord& settings_;
};

}  // namespace velorix::test
