#include "ReceiverController.h"

#include <algorithm>

#include "DisplayTables.h"
#include "StatusTexts.h"

namespace velorix {

ReceiverController::ReceiverController(const Parts& parts)
    : settings_(parts.settings),
      engine_(parts.engine),
      board_(parts.board),
      library_(parts.library),
      startup_(parts.startup),
      recorder_(parts.recorder),
      stations_(parts.stations),
      notifier_(parts.notifier),
      displays_(parts.displays ? parts.displays : &noDisplays_),
      pacing_(parts.pacing),
      feed_(dynamic_cast<DisplayFeedControl*>(&parts.engine)),
      freeSpace_(FreeBytesOf),
      clock_(parts.clock ? parts.clock : Clock(SystemSecondsUtc)),
      stationPanel_([this] { return clock_(); }) {
    // Never used, always disabled.
    for (ControlId id :
         {ControlId::NoiseReduction, ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak})
        panel_.Enable(id, false);
}

void ReceiverController::SetClock(Clock clock) {
    clock_ = clock ? std::move(clock) : Clock(SystemSecondsUtc);
    stationPanel_.Tick();
}

void ReceiverController::RefreshSpan() {
    const int idx = std::clamp(settings_.MainFFTIdx, 0, 6);
    settings_.MainFFTIdx = idx;
    panel_.SetText(label::kSpan, SpanText(settings_.DdcSamplingRateIdx, idx));
    panel_.Enable(ControlId::SpanDown, idx > 0);
    panel_.Enable(ControlId::SpanUp, idx < 6);
    displays_->Reconfigure();
}

Outcome ReceiverController::RestoreAll(bool readIdentity) {
    return Run([&](Outcome& o) {
        settings_.Clamp();
        if (readIdentity) startup_.ReadIdentity();
        ApplyTuneMode(settings_.TuneMode != 0);
        SetCentre(settings_.CenterFreq);
        ApplyAttenuator(settings_.AttenuatorIdx);
        ApplyMemList(settings_.MemListIdx);
        panel_.Check(ControlId::Preamp, settings_.AdcPreamp != 0);
        panel_.Check(ControlId::Dither, settings_.AdcDither != 0);
        panel_.Check(ControlId::Presel, settings_.Preselector != 0);
        settings_.levelOffsetDb = settings_.AdcPreamp ? -7.5 : -4.0;
        if (!ApplyRate(false, o)) return;
        RefreshSpan();
        RefreshRefLevel();
        RefreshScale();
        RefreshCFStep();
        ApplyFilter(settings_.DemBwIdx[std::clamp(settings_.DemIdx, 0, kModeCount - 1)]);
        const Outcome mode = SelectMode(std::clamp(settings_.DemIdx, 0, kModeCount - 1));
        (void)mode;
        RefreshWheelStep();
        ApplyDisplayFunction(settings_.DispFnIdx);
        ApplySecDisplayFunction(settings_.SecDispFnIdx);
        RefreshCal();
        ApplySMeterMode(settings_.SmtrMode);
        // The five sliders at their stored values, each value applied.
        panel_.SetSlider(ControlId::MainAvgSlider, settings_.MainAvgVal);
        panel_.SetSlider(ControlId::SecAvgSlider, settings_.SecAvgVal);
        panel_.SetSlider(ControlId::NoiseBlankerSlider, settings_.NBVal);
        panel_.SetSlider(ControlId::NoiseRedSlider, settings_.NRVal);
        panel_.SetSlider(ControlId::VolumeSlider, settings_.VolVal);
        displays_->SetAveraging(DisplayId::Main, AveragingFactor(settings_.MainAvgVal));
        displays_->SetAveraging(DisplayId::Secondary, AveragingFactor(settings_.SecAvgVal));
        engine_.SetNoiseBlankerThreshold(settings_.NBVal);
        engine_.SetNoiseReductionStepDb(settings_.NRVal * 0.1);
        engine_.SetVolumeDb(settings_.VolVal * 0.1);
        panel_.Enable(ControlId::NoiseReduction, false);
        panel_.CheckRadio(ControlId::SourceReceiver, 2, 0);
        const Outcome source = SelectSource(0, false);
        (void)source;
        for (ControlId id :
             {ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak, ControlId::FileOpen})
            panel_.Enable(id, false);
        ApplyAveraging(DisplayId::Main, false);
        ApplyAveraging(DisplayId::Secondary, false);
        ApplyNoiseBlanker(false);
        ApplyNoiseReduction(false);
        ApplyAudio(true);  // whatever the mode: DRM starts with audio on
    });
}

Outcome ReceiverController::RestoreWithoutReceiver() {
    settings_.retuneInhibit.store(1);
    return RestoreAll(false);
}

Outcome ReceiverController::Start() {
    return Run([&](Outcome&) {
        // The mode again, now that samples flow; the audio stays on as the
        // start-up left it, even for DRM and USER.
        const bool audio = panel_.Checked(ControlId::Audio);
        const Outcome mode = SelectMode(std::clamp(settings_.DemIdx, 0, kModeCount - 1));
        (void)mode;
        ApplyAudio(audio);
        engine_.SetTuningOffsetHz(settings_.FreqOffset);
        CentreChanged();
        displays_->Reconfigure();
        displays_->Redraw();
    });
}

Outcome ReceiverController::SendFrontEnd() {
    return Run([&](Outcome&) { SendFrontEndNow(); });
}

Outcome ReceiverController::Shutdown() {
    return Run([&](Outcome&) { CloseFileInternal(); });
}

SMeterReading ReceiverController::MeterUpdate() {
    SMeterReading r;
    if (faulted_.load()) {
        board_.ClearOverload();
        r.tenthsDbm = kSMeterMinDbm * 10;
        return r;
    }
    const double level =
        settings_.SmtrMode == 1 ? engine_.AgcPeakLevelDb() : engine_.AgcAverageLevelDb();
    r.tenthsDbm = SMeterTenths(level, settings_);
    r.clip = board_.GetOverload() != 0;
    board_.ClearOverload();
    r.lock = engine_.IsDemodulatorLocked();
    return r;
}

Outcome ReceiverController::SelectMainFFT(int mainFFTIdx) {
    return Run([&](Outcome& o) {
        if (mainFFTIdx < 0 || mainFFTIdx > 6) {
            o.accepted = false;
            return;
        }
        settings_.MainFFTIdx = mainFFTIdx;
        RefreshSpan();
    });
}

int ReceiverController::MainFFTSizeNow() const {
    return MainFFTSize(settings_.MainFFTIdx);
}

Outcome ReceiverController::SelectMemList(int memListIdx) {
    return Run([&](Outcome& o) {
        if (memListIdx < 0 || memListIdx > 2) {
            o.accepted = false;
            return;
        }
        ApplyMemList(memListIdx);
    });
}

void ReceiverController::ApplyMemList(int memListIdx) {
    memListIdx = std::clamp(memListIdx, 0, 2);
    settings_.MemListIdx = memListIdx;
    panel_.CheckRadio(ControlId::ListHfcc, 3, memListIdx);
    stationRedraw_ |= stationPanel_.SetList(stations_ ? stations_->List(memListIdx) : nullptr);
}

ReceiverInfoTexts ReceiverController::InfoTexts() {
    if (!startup_.IsPreProduction()) startup_.ReadIdentity();
    return FormatReceiverInfo(startup_.Identity(), startup_.IsPreProduction(),
                              library_.GetDLLVersion());
}

}  // namespace velorix
