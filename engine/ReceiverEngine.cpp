#include "ReceiverEngine.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "DspMath.h"
#include "FixedFilterCoefficients.h"
#include "HalfBandCoefficients.h"

namespace velorix {

namespace {

struct HalfBandStage {
    int capacity;  // output samples per full input buffer (decimators), inputs (interpolators)
    int length;
    const double* coefficients;
};

// Decimators 0 … 8: each halves the rate; the long filters sit where the rate is low.
const HalfBandStage kDecimators[9] = {
    {16384, kH7Length, H7a}, {8192, kH7Length, H7a},   {4096, kH7Length, H7b},
    {2048, kH7Length, H7c},  {1024, kH11Length, H11a}, {512, kH11Length, H11b},
    {256, kH15Length, H15},  {128, kH23Length, H23},   {64, kH79Length, H79},
};
// Interpolator 0 sits before the demodulator, 1 … 4 bring the audio back up.
const HalfBandStage kInterpolators[5] = {
    {64, kH79Length, H79},   {128, kH23Length, H23},   {256, kH15Length, H15},
    {512, kH11Length, H11b}, {1024, kH11Length, H11a},
};

// Per mode: post-demod switch, carrier offset, shifter 1 and 2 mode offsets (Hz),
// real audio output.
struct ModeRoute {
    int postDemod;
    double carrierHz;
    double shift1Hz;
    double shift2Hz;
    int realOutput;
};
const ModeRoute kModes[9] = {
    {1, 0, 0, 0, 1},             // AM: low-pass and the second AGC
    {1, 0, 0, 0, 1},             // SAM
    {0, 0, 0, 600, 1},           // CW: 600 Hz tone
    {0, 0, 0, 1360, 1},          // RTTY: mark and space around 1360 Hz
    {0, 1500, -1500, 1500, 1},   // USB: sideband centred for the symmetric filter
    {0, -1500, 1500, -1500, 1},  // LSB
    {0, 0, 0, 0, 1},             // FM
    {0, 0, 0, 8000, 1},          // DRM: 8 kHz intermediate frequency for a decoder
    {0, 0, 0, 0, 0},             // USER: I and Q
};

constexpr double kVolume2LevelDb = -10.0;

}  // namespace

CReceiverEngine::CReceiverEngine() = default;

CReceiverEngine::~CReceiverEngine() = default;

void CReceiverEngine::BuildTables() {
    cos_.resize(kSineTableSize);
    sin_.resize(kSineTableSize);
    const double step = kTwoPi / kSineTableSize;
    for (int k = 0; k < kSineTableSize; ++k) {
        cos_[k] = std::cos(k * step);
        sin_[k] = std::sin(k * step);
    }
}

void CReceiverEngine::ConstructBlocks() {
    noiseBlanker_ = std::make_unique<CDspNoiseBlanker>();
    shifter1_ =
        std::make_unique<CDspTabFreqShift>(1024, cos_.data(), sin_.data(), kSineTableSize, 0);
    shifter2_ =
        std::make_unique<CDspTabFreqShift>(1024, cos_.data(), sin_.data(), kSineTableSize, 1);
    decimSwitch_ = std::make_unique<CDspSwitch>(kDspTypeComplex, 8, endpoints_.notifier);
    for (int i = 0; i < 9; ++i) {
        const auto& d = kDecimators[i];
        decimators_[i] = std::make_unique<CDspHBFDecimCpx>(d.capacity, d.length, d.coefficients);
    }
    for (int i = 0; i < 5; ++i) {
        const auto& d = kInterpolators[i];
        interpolators_[i] =
            std::make_unique<CDspHBFinterpCpx>(d.capacity, d.length, d.coefficients);
    }
    iir_ = std::make_unique<CDspIirCpxReal>(64, kIirFeedForwardCount, kIirFeedbackCount,
                                            kIirFeedForward, kIirFeedback);
    preDemod_ = std::make_unique<CDspSwitch>(kDspTypeComplex, 2, endpoints_.notifier);
    postDemod_ = std::make_unique<CDspSwitch>(kDspTypeComplex, 2, endpoints_.notifier);
    for (auto& s : stage_)
        s = std::make_unique<CDspSwitch>(kDspTypeComplex, 2, endpoints_.notifier);
    nrSwitch_ = std::make_unique<CDspSwitch>(kDspTypeComplex, 2, endpoints_.notifier);
    bandPass_ = std::make_unique<CDspKaiserBPFFir>(64, 64, -0.3072, 0.3072, 13.0);
    lowPass_ = std::make_unique<CDspKaiserLPFFir>(64, 64, 0.6, 8.0);
    noiseReduction_ = std::make_unique<CDspLMSNoiseRed>(512, 64, 20, 0.01);
    fir24_ = std::make_unique<CDspFirCpxReal>(128, kLowPass24Taps, kLowPass24);
    dummy_ = std::make_unique<CDspDummy>(1024);
    demodulator_ = std::make_unique<CDspDemodulator>(128);
    demodulator_->SetMode(0);
    agc1_ = std::make_unique<CDspAgcCtl>();
    agc2_ = std::make_unique<CDspAgcCtl>();
    agc2_->SetMode(1);
    volume1_ = std::make_unique<CDspVolumeCtl>();
    volume2_ = std::make_unique<CDspVolumeCtl>();
}

void CReceiverEngine::Wire(const EngineEndpoints& e) {
    mainThread_ = std::make_unique<CDspThread>(kDspTypeComplex, 8192);
    if (e.mainDisplay) mainThread_->Connect(e.mainDisplay);
    secThread_ = std::make_unique<CDspThread>(kDspTypeComplex, 256);
    if (e.secondaryDisplay) secThread_->Connect(e.secondaryDisplay);

    e.head->Connect(noiseBlanker_.get());
    noiseBlanker_->Connect(mainThread_.get());
    noiseBlanker_->Connect(shifter1_.get());  // splitter: shifter 1 first, then the display
    shifter1_->Connect(decimSwitch_.get());
    for (int i = 0; i < 8; ++i)
        decimSwitch_->SetOutput(i, decimators_[i].get());
    decimSwitch_->Select(0);
    for (int i = 0; i < 8; ++i)
        decimators_[i]->Connect(decimators_[i + 1].get());
    decimators_[8]->Connect(secThread_.get());
    decimators_[8]->Connect(bandPass_.get());  // splitter: band-pass first, then the display

    bandPass_->Connect(agc1_.get());
    agc1_->Connect(preDemod_.get());
    preDemod_->SetOutput(0, interpolators_[0].get());
    interpolators_[0]->Connect(demodulator_.get());
    preDemod_->SetOutput(1, demodulator_.get());
    preDemod_->Select(0);

    demodulator_->Connect(postDemod_.get());
    postDemod_->SetOutput(0, stage_[0].get());
    postDemod_->SetOutput(1, lowPass_.get());
    postDemod_->Select(1);
    lowPass_->Connect(agc2_.get());
    agc2_->Connect(stage_[0].get());

    // Stage switch i: out 0 skips interpolator i, out 1 goes through it.
    for (int i = 0; i < 4; ++i) {
        CDspConsumer* next = i < 3 ? static_cast<CDspConsumer*>(stage_[i + 1].get())
                                   : static_cast<CDspConsumer*>(shifter2_.get());
        stage_[i]->SetOutput(0, next);
        stage_[i]->SetOutput(1, interpolators_[i + 1].get());
        stage_[i]->Select(1);
        interpolators_[i + 1]->Connect(next);
    }

    shifter2_->Connect(nrSwitch_.get());
    nrSwitch_->SetOutput(0, volume1_.get());
    nrSwitch_->SetOutput(1, noiseReduction_.get());
    nrSwitch_->Select(1);
    noiseReduction_->Connect(volume1_.get());
}

int CReceiverEngine::Build(const EngineEndpoints& endpoints) {
    if (endpoints.head == nullptr) return 0;
    endpoints_ = endpoints;
    try {
        BuildTables();
        ConstructBlocks();
        Wire(endpoints);
    } catch (const std::exception&) {
        // Out of memory or threads: no chain to run, and nothing to throw
        // at the caller.
        return 0;
    }
    if (endpoints.audioOut1 == nullptr) return 0;
    volume1_->Connect(endpoints.audioOut1);
    if (endpoints.audioOut2 != nullptr) {
        // Splitter: the second output's volume first, then the nr switch.
        shifter2_->Connect(volume2_.get());
        volume2_->Connect(endpoints.audioOut2);
        volume2_->SetLevel(kVolume2LevelDb);
        audio2Wired_ = true;
    }
    return 1;
}

int CReceiverEngine::RateIndex() const {
    if (endpoints_.head == nullptr) return 0;
    const double rate = endpoints_.head->GetOutputRate();
    return rate >= 375.0 ? 2 : rate >= 187.5 ? 1 : 0;
}

void CReceiverEngine::SetMode(int mode) {
    if (!demodulator_) return;
    demodulator_->SetMode(mode);
    if (mode < 0 || mode > 8) return;
    const ModeRoute& r = kModes[mode];
    postDemod_->Select(r.postDemod);
    carrierOffsetHz_ = r.carrierHz;
    shifter1_->SetModeOffset(r.shift1Hz);
    shifter2_->SetModeOffset(r.shift2Hz);
    shifter2_->SetRealOutput(r.realOutput);
}

void CReceiverEngine::SetBandwidth(int filter) {
    if (!decimSwitch_ || filter < 0 || filter > 5) return;
    bandwidth_ = filter;
    const int k = 2 - RateIndex();
    decimSwitch_->Select(k + 5 - filter);
    preDemod_->Select(filter == 0 ? 1 : 0);
    stage_[0]->Select(filter >= 2 ? 1 : 0);
    stage_[1]->Select(filter >= 3 ? 1 : 0);
    stage_[2]->Select(filter >= 4 ? 1 : 0);
    stage_[3]->Select(filter == 5 ? 1 : 0);
}

void CReceiverEngine::SetPassband(double lower, double upper) {
    if (!bandPass_) return;
    passLower_ = lower;
    passUpper_ = upper;
    bandPass_->SetBand(lower, upper);
    double cutoff = std::max(upper, -lower);
    if (bandwidth_ == 0) cutoff *= 2.0;
    lowPass_->SetCutoff(cutoff);
}

void CReceiverEngine::SetPassbandHz(int centreHz, int widthHz) {
    const double rateKHz = BandPassRateKHz();
    if (rateKHz == 0.0) return;
    const double hz = rateKHz * 1000.0;
    SetPassband((centreHz - widthHz / 2) / hz, (centreHz + widthHz / 2) / hz);
}

void CReceiverEngine::SetAgcChoice(int choice) {
    if (!agc1_) return;
    agc1_->SetMode(choice);
    agc2_->SetMode(choice);
}

void CReceiverEngine::RestartDisplays() {
    if (!mainThread_) return;
    if (endpoints_.mainDisplay) endpoints_.mainDisplay->ready.store(1);
    if (endpoints_.secondaryDisplay) endpoints_.secondaryDisplay->ready.store(1);
    mainThread_->ready.store(1);
    mainThread_->ResetThread();
    secThread_->ready.store(1);
}

void CReceiverEngine::SetTuningOffsetHz(double offsetHz) {
    if (shifter1_) shifter1_->SetTuneOffset(offsetHz);
}

double CReceiverEngine::GetTuningOffsetHz() const {
    return shifter1_ ? shifter1_->GetTuneOffset() : 0.0;
}

void CReceiverEngine::SetNoiseBlankerEnabled(bool on) {
    if (noiseBlanker_) noiseBlanker_->SetEnabled(on ? 1 : 0);
}

void CReceiverEngine::SetNoiseBlankerThreshold(double value) {
    if (noiseBlanker_) noiseBlanker_->SetThreshold(value);
}

void CReceiverEngine::SetNoiseReductionEnabled(bool on) {
    if (nrSwitch_) nrSwitch_->Select(on ? 1 : 0);
}

void CReceiverEngine::SetNoiseReductionStepDb(double stepDb) {
    if (noiseReduction_) noiseReduction_->SetStepDb(stepDb);
}

void CReceiverEngine::SetVolumeDb(double levelDb) {
    if (volume1_) volume1_->SetLevel(levelDb);
}

void CReceiverEngine::SetMuted(bool muted) {
    if (volume1_) volume1_->SetMute(muted ? 1 : 0);
}

void CReceiverEngine::ResetAgc() {
    if (agc1_) agc1_->Reset();
}

void CReceiverEngine::ResetDemodulatorLock() {
    if (demodulator_) demodulator_->ResetLock();
}

bool CReceiverEngine::IsDemodulatorLocked() const {
    return demodulator_ && demodulator_->Locked() != 0;
}

double CReceiverEngine::AgcAverageLevelDb() const {
    return agc1_ ? agc1_->AverageLevelDb() : -150.0;
}

double CReceiverEngine::AgcPeakLevelDb() const {
    return agc1_ ? agc1_->PeakLevelDb() : -150.0;
}

double CReceiverEngine::BandPassRateKHz() const {
    return bandPass_ ? bandPass_->rate : 0.0;
}

double CReceiverEngine::DemodulatorRateKHz() const {
    return demodulator_ ? demodulator_->rate : 0.0;
}

double CReceiverEngine::AudioRateKHz() const {
    return shifter2_ ? shifter2_->rate : 0.0;
}

}  // namespace velorix
