#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "AudioMeterTap.h"
#include "ReceiverController.h"

namespace velorix {

// The run's S-meter: read every 100 ms of audio at its exact signal time
// (the tap sits before audio out 1), printed to `out` when lines are asked
// for, the last line kept for the summary.
class RunMeter {
public:
    // `out` null: no lines, only the last one kept.
    explicit RunMeter(std::FILE* out);

    // The block to put before audio out 1.
    CDspBlock& Tap() { return tap_; }
    // Readings start (a controller) or stop (null). The tap ticks on the
    // engine's thread; both sides hold the lock, so a tick never reads a
    // controller being shut down.
    void Attach(ReceiverController* controller);
    // The audio lags the receiver by the chain's delay: meters it up to
    // `seconds` of signal, waiting while it still comes (at most 2 s), so the
    // last lines are not lost on a loaded machine. Then stops the readings.
    void Drain(double seconds);
    std::string LastLine();

private:
    static constexpr int kFrames = 3125;  // 100 ms of audio at 31250 Hz

    void Tick(double seconds);

    std::FILE* out_;
    std::mutex mutex_;
    ReceiverController* controller_ = nullptr;
    std::string last_ = "no signal";
    double limitSeconds_ = 1e300;  // no line after the signal time the run ends at
    AudioMeterTap tap_;
};

}  // namespace velorix
