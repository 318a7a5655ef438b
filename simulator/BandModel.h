#pragma once

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "BandScenario.h"
#include "FrontEndModel.h"
#include "SampleSource.h"
#include "StationSignal.h"
#include "SynthDsp.h"

namespace velorix::sim {

// The virtual receiver's band: synthesises, block by block, the I/Q stream the
// FPGA would deliver for the current centre frequency (tuning word and the
// 80 MHz ADC clock), output rate and front end, calibrated so that a station
// declared at L dBm reads L dBm in the program (see FrontEndModel.h).
//
// Each station is made at kAudioRateHz, interpolated to the output rate and
// shifted to its offset from the centre; a station's mirror image at -f (the
// ADC sees a real signal) is included when it falls into the output band. The
// response is flat over +-0.4 x the output rate and falls to nothing at the
// band edges, like the FPGA's decimation filters. Band noise and the
// converter's own noise are white; impulses are short bursts of `width` samples.
//
// Overload: when the sum of every station's peak amplitude after the front end
// exceeds the converter's full scale, the output carries the overload mark in
// every frame (bit 0 of I's low byte differs from I's sign bit) and the
// converter's distortion raises the noise floor; otherwise bit 0 always equals
// the sign bit, so that the mark never appears wherever a reader's units start.
//
// Not thread-safe: the virtual receiver calls it under its device lock.
class BandModel : public SampleSource {
public:
    // Samples per internal block at the station rate.
    static constexpr int kStationBlock = 64;

    // `prepare`: make the stations' built-in programmes on a thread of its own
    // from now on, so that the first blocks of a stream need not wait for them.
    // The frames are the same either way.
    BandModel(BandScenario scenario, uint64_t seed, bool preProduction = false,
              bool prepare = false);
    ~BandModel() override;

    // ---- SampleSource ----
    void SetRate(int rateKHz) override;
    void SetFrontEnd(const FrontEndState& state) override;
    void Fill(uint64_t firstFrame, uint8_t* out, size_t frames) override;

    // ---- direct use (offline synthesis, tests) ----
    void SetCentreHz(double centreHz);
    void SetSetting(const FrontEndSetting& setting);
    // The next n complex samples in the acquisition board's units, before the
    // converter's 24-bit quantisation.
    void GenerateUnits(Cpx* out, size_t n);

    int RateKHz() const { return rateKHz_; }
    double CentreHz() const { return centreHz_; }
    bool Overloaded() const { return overloaded_; }
    const BandScenario& Scenario() const { return scenario_; }

    // Centre frequency of a down-converter tuning word at the 80 MHz ADC clock.
    static double CentreFromTuningWord(uint32_t word);
    // Quantises to 24-bit frames: rounding, clipping at +-8388607 counts and the mark.
    static void EncodeFrames(const Cpx* units, size_t n, bool overload, uint8_t* out);

private:
    struct Station;
    void Reconfigure();
    void GenerateBlock();

    BandScenario scenario_;
    uint64_t seed_;
    bool preProduction_;
    int rateKHz_ = 125;
    bool rateSet_ = false;  // SetRate seen: the interpolators are built for rateKHz_
    double centreHz_ = 0.0;
    FrontEndSetting setting_;
    bool overloaded_ = false;

    std::vector<std::unique_ptr<Station>> stations_;
    std::vector<Cpx> audioBuf_, stationBuf_, outBuf_;
    std::vector<double> accRe_, accIm_;
    std::vector<Cpx> pending_;
    size_t pendingPos_ = 0;

    std::atomic<bool> stopPreparing_{false};
    std::thread preparer_;

    Rng noiseRng_;
    double noiseSigma_ = 0.0;  // per component, units
    double impulseAmplitude_ = 0.0;
    double nextImpulse_ = 0.0;  // output sample index of the next impulse
    uint64_t outputSample_ = 0;
    int impulseLeft_ = 0;
    Cpx impulseValue_;
};

}  // namespace velorix::sim
