#pragma once

#include <atomic>

#include "DspBlock.h"

namespace velorix {

// Automatic gain control: brings the level of the complex signal, tracked in
// dB with fast attack and a selectable decay, to a fixed reference, looking
// three samples ahead (the output is the input delayed by three samples).
// Also keeps the average and peak levels the S-meter shows.
//
// Process runs on the acquisition worker. SetMode and Reset come from the UI
// thread: mode and coefficients are atomic stores; the level resets they ask
// for are applied by the worker at the start of its next block, so they
// never tear the running state.
class CDspAgcCtl : public CDspBlock {
public:
    explicit CDspAgcCtl(int capacity = 64);

    // AGC choice: 0 fast (0.1 s), 1 medium (0.6 s), 2 slow (1.8 s), any other
    // index off (fixed +42 dB gain). Before the rate is known only the off
    // flag changes.
    void SetMode(int index);
    // Clears the delay line and sets the average and peak levels to -130 dB.
    void Reset();

    // S-meter readouts in dB, updated after every block.
    double AverageLevelDb() const { return avgOut_.load(std::memory_order_relaxed); }
    double PeakLevelDb() const { return peakOut_.load(std::memory_order_relaxed); }
    // The AGC's level estimate in dB, after the last block.
    double LevelEstimateDb() const { return levelOut_.load(std::memory_order_relaxed); }
    int IsOff() const { return off_.load(std::memory_order_relaxed); }
    double AverageCoefficient() const { return avgCoef_.load(std::memory_order_relaxed); }
    double DecayCoefficient() const { return decayCoef_.load(std::memory_order_relaxed); }

    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspAgcCtl"; }

    static constexpr double kAttackBase = 0.3;
    static constexpr double kAttackSlope = 0.01;  // per dB of overshoot
    static constexpr double kReferenceDb = -6.0;
    static constexpr double kOffLevelDb = -48.0;  // fixed gain of +42 dB when off

private:
    enum Pending : int { kNone = 0, kModeLevels = 1, kReset = 2 };
    void ApplyPending();
    void Publish();

    // Worker-owned state.
    double delayI_[4] = {};  // newest first
    double delayQ_[4] = {};
    double avgLevelDb_ = 0.0;
    double peakLevelDb_ = 0.0;
    double levelDb_ = -150.0;

    // Shared with the UI thread.
    std::atomic<int> off_{0};
    std::atomic<double> avgCoef_{0.001};
    std::atomic<double> decayCoef_{0.0005};
    std::atomic<int> pending_{kNone};
    std::atomic<double> avgOut_{0.0};
    std::atomic<double> peakOut_{0.0};
    std::atomic<double> levelOut_{-150.0};
};

}  // namespace velorix
