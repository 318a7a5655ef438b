#pragma once

#include <array>
#include <memory>
#include <vector>

#include "DisplayFeedControl.h"
#include "DspAgcCtl.h"
#include "DspDemodulator.h"
#include "DspDummy.h"
#include "DspFirCpxReal.h"
#include "DspHBFDecimCpx.h"
#include "DspHBFinterpCpx.h"
#include "DspIirCpxReal.h"
#include "DspKaiserBPFFir.h"
#include "DspKaiserLPFFir.h"
#include "DspLMSNoiseRed.h"
#include "DspNoiseBlanker.h"
#include "DspSwitch.h"
#include "DspTabFreqShift.h"
#include "DspThread.h"
#include "DspVolumeCtl.h"
#include "EngineControl.h"

namespace velorix {

// What the engine is built around; everything here is created and owned by
// other modules and outlives the engine.
struct EngineEndpoints {
    // The chain head: the acquisition board, which owns the segment lock and
    // reports the configured input rate (125, 250 or 500 kHz).
    CDspBlock* head = nullptr;
    // Consumers behind the two display threads (may be null: nothing shown).
    CDspConsumer* mainDisplay = nullptr;
    CDspConsumer* secondaryDisplay = nullptr;
    // Audio outputs taking 16-bit stereo frames at 31 250 Hz. The first is
    // required; the second (the virtual audio cable) is optional.
    CDspConsumer* audioOut1 = nullptr;
    CDspConsumer* audioOut2 = nullptr;
    // Hears of the switches' faults (streaming thread; may be null).
    Notifier* notifier = nullptr;
};

// The whole receive path below the acquisition board: noise blanker, the
// wide-band display feed, the tuning shifter, the switched half-band
// decimation cascade to 31.25 kHz / 2^b, the secondary display feed, the
// pass-band filter, AGC, demodulator, interpolation back to 31.25 kHz, the
// audio shifter, LMS noise reduction and volume. Built once; every block
// lives as long as the engine. Operations run on the user-interface thread.
class CReceiverEngine : public EngineControl, public DisplayFeedControl {
public:
    static constexpr int kSineTableSize = 65536;
    static constexpr double kAudioRateKHz = 31.25;

    CReceiverEngine();
    ~CReceiverEngine() override;
    CReceiverEngine(const CReceiverEngine&) = delete;
    CReceiverEngine& operator=(const CReceiverEngine&) = delete;

    // Creates every block and wires the chain. 1 on success; 0 when the head
    // or the first audio output is missing, or when the system refuses the
    // memory or a thread the chain needs (the part built so far stays).
    int Build(const EngineEndpoints& endpoints);

    // EngineControl
    void SetMode(int mode) override;
    void SetBandwidth(int filter) override;
    void SetPassband(double lower, double upper) override;
    void SetPassbandHz(int centreHz, int widthHz) override;
    void SetAgcChoice(int choice) override;
    void RestartDisplays() override;
    void SetTuningOffsetHz(double offsetHz) override;
    double GetTuningOffsetHz() const override;
    void SetNoiseBlankerEnabled(bool on) override;
    void SetNoiseBlankerThreshold(double value) override;
    void SetNoiseReductionEnabled(bool on) override;
    void SetNoiseReductionStepDb(double stepDb) override;
    void SetVolumeDb(double levelDb) override;
    void SetMuted(bool muted) override;
    void ResetAgc() override;
    void ResetDemodulatorLock() override;
    bool IsDemodulatorLocked() const override;
    double AgcAverageLevelDb() const override;
    double AgcPeakLevelDb() const override;
    double CarrierOffsetHz() const override { return carrierOffsetHz_; }
    double BandPassRateKHz() const override;

    // Output-rate index 0..2 of the head's rate (125, 250, 500 kHz).
    int RateIndex() const;
    // Rate at which the audio leaves the chain, kHz (31.25 once built and rated).
    double AudioRateKHz() const;
    double DemodulatorRateKHz() const;
    // The last pass band given, cycles per sample at the band-pass rate.
    double PassbandLower() const { return passLower_; }
    double PassbandUpper() const { return passUpper_; }
    bool HasSecondAudioOutput() const { return audio2Wired_; }

    // The shared table of the two frequency shifters: cos then sin.
    const double* CosTable() const { return cos_.data(); }
    const double* SinTable() const { return sin_.data(); }

    // The blocks, for tests and for front ends that tune a display feed.
    CDspNoiseBlanker& NoiseBlanker() { return *noiseBlanker_; }
    CDspTabFreqShift& TuningShifter() { return *shifter1_; }
    CDspTabFreqShift& AudioShifter() { return *shifter2_; }
    CDspSwitch& DecimationSwitch() { return *decimSwitch_; }
    CDspHBFDecimCpx& Decimator(int i) { return *decimators_[i]; }
    CDspHBFinterpCpx& Interpolator(int i) { return *interpolators_[i]; }
    CDspKaiserBPFFir& BandPass() { return *bandPass_; }
    CDspKaiserLPFFir& LowPass() { return *lowPass_; }
    CDspDemodulator& Demodulator() { return *demodulator_; }
    CDspAgcCtl& Agc1() { return *agc1_; }
    CDspAgcCtl& Agc2() { return *agc2_; }
    CDspVolumeCtl& Volume1() { return *volume1_; }
    CDspVolumeCtl& Volume2() { return *volume2_; }
    CDspLMSNoiseRed& NoiseReduction() { return *noiseReduction_; }
    CDspSwitch& PreDemodSwitch() { return *preDemod_; }
    CDspSwitch& PostDemodSwitch() { return *postDemod_; }
    CDspSwitch& StageSwitch(int i) { return *stage_[i - 1]; }  // 1..4
    CDspSwitch& NrSwitch() { return *nrSwitch_; }
    CDspThread& MainDisplayThread() { return *mainThread_; }
    CDspThread& SecondaryDisplayThread() { return *secThread_; }

    // The main display's feed pace (nothing before the chain is built).
    int GetMainSkipLimit() const override { return mainThread_ ? mainThread_->GetSkipLimit() : 0; }
    void SetMainSkipLimit(int n) override {
        if (mainThread_) mainThread_->SetSkipLimit(n);
    }
    void SetMainAutoThrottle(bool on) override {
        if (mainThread_) mainThread_->SetAutoThrottle(on ? 1 : 0);
    }

private:
    void BuildTables();
    void ConstructBlocks();
    void Wire(const EngineEndpoints& e);

    EngineEndpoints endpoints_;
    std::vector<double> cos_;
    std::vector<double> sin_;

    std::unique_ptr<CDspNoiseBlanker> noiseBlanker_;
    std::unique_ptr<CDspTabFreqShift> shifter1_;
    std::unique_ptr<CDspTabFreqShift> shifter2_;
    std::unique_ptr<CDspSwitch> decimSwitch_;
    std::array<std::unique_ptr<CDspHBFDecimCpx>, 9> decimators_;
    std::array<std::unique_ptr<CDspHBFinterpCpx>, 5> interpolators_;
    std::unique_ptr<CDspIirCpxReal> iir_;  // constructed, not connected
    std::unique_ptr<CDspSwitch> preDemod_;
    std::unique_ptr<CDspSwitch> postDemod_;
    std::array<std::unique_ptr<CDspSwitch>, 4> stage_;
    std::unique_ptr<CDspSwitch> nrSwitch_;
    std::unique_ptr<CDspKaiserBPFFir> bandPass_;
    std::unique_ptr<CDspKaiserLPFFir> lowPass_;
    std::unique_ptr<CDspLMSNoiseRed> noiseReduction_;
    std::unique_ptr<CDspFirCpxReal> fir24_;  // constructed, not connected
    std::unique_ptr<CDspDummy> dummy_;       // constructed, not connected
    std::unique_ptr<CDspDemodulator> demodulator_;
    std::unique_ptr<CDspAgcCtl> agc1_;
    std::unique_ptr<CDspAgcCtl> agc2_;
    std::unique_ptr<CDspVolumeCtl> volume1_;
    std::unique_ptr<CDspVolumeCtl> volume2_;
    std::unique_ptr<CDspThread> mainThread_;
    std::unique_ptr<CDspThread> secThread_;

    bool audio2Wired_ = false;
    int bandwidth_ = 0;
    double carrierOffsetHz_ = 0.0;
    double passLower_ = -0.3072;
    double passUpper_ = 0.3072;
};

}  // namespace velorix
