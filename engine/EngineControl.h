#pragma once

namespace velorix {

// What a front end may ask of the receive chain. CReceiverEngine implements
// it; the control layer drives the chain only through it, so the window and
// the headless receiver behave alike and the control logic can be tested
// against a stand-in. Every operation runs on the user-interface thread.
class EngineControl {
public:
    virtual ~EngineControl() = default;

    // Demodulation mode 0..8 (AM SAM CW RTTY USB LSB FM DRM USER): the
    // demodulator's mode, the routing after it and the mode offsets of both
    // frequency shifters. Indices above 8 change nothing.
    virtual void SetMode(int mode) = 0;
    // Filter index 0..5 ("25 kHz" … "0.8kHz"): the decimation entry stage for
    // the current output rate and the interpolators back to 31.25 kHz.
    virtual void SetBandwidth(int filter) = 0;
    // Pass band in cycles per sample at the band-pass filter's rate.
    virtual void SetPassband(double lower, double upper) = 0;
    // Pass band by centre and width in Hz; nothing while no rate is known.
    virtual void SetPassbandHz(int centreHz, int widthHz) = 0;
    // AGC speed 0..3 (Fast, Med, Slow, Off) for both AGC blocks.
    virtual void SetAgcChoice(int choice) = 0;
    // Makes both displays and their feeder threads ready again.
    virtual void RestartDisplays() = 0;

    // Offset of the tuned frequency from the centre, Hz (FreqOffset): the
    // first frequency shifter's tuning.
    virtual void SetTuningOffsetHz(double offsetHz) = 0;
    virtual double GetTuningOffsetHz() const = 0;

    virtual void SetNoiseBlankerEnabled(bool on) = 0;
    // Threshold as the slider gives it (NBVal), passed on unscaled.
    virtual void SetNoiseBlankerThreshold(double value) = 0;
    // Routes the audio through the LMS noise reduction (true) or around it.
    virtual void SetNoiseReductionEnabled(bool on) = 0;
    // The noise reduction's step in dB (NRVal × 0.1).
    virtual void SetNoiseReductionStepDb(double stepDb) = 0;
    // Sound-card volume in dB (VolVal × 0.1) and its mute.
    virtual void SetVolumeDb(double levelDb) = 0;
    virtual void SetMuted(bool muted) = 0;

    // Resets the first AGC block's gain and levels (a new sample source
    // starts from silence, not from the old source's gain).
    virtual void ResetAgc() = 0;

    // Clears the demodulator's carrier-lock counter and flag (every retune).
    virtual void ResetDemodulatorLock() = 0;
    virtual bool IsDemodulatorLocked() const = 0;
    // The first AGC's average and peak levels in dB, uncalibrated.
    virtual double AgcAverageLevelDb() const = 0;
    virtual double AgcPeakLevelDb() const = 0;

    // The carrier offset of the current mode in Hz (USB +1500, LSB -1500, else 0).
    virtual double CarrierOffsetHz() const = 0;
    // Rate of the band-pass filter and secondary display, kHz (0 before any rate).
    virtual double BandPassRateKHz() const = 0;
};

}  // namespace velorix
