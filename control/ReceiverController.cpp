#include "ReceiverController.h"

#include <algorithm>

namespace velorix {

ReceiverController::ReceiverController(const ControllerWiring& wiring) : c_(wiring) {
    c_.tuning = &tuning_;
    c_.demodulator = &demodulator_;
    c_.frontEnd = &frontEnd_;
    c_.source = &source_;
    c_.displays = &displays_;
    // Never used, always disabled.
    for (ControlId id :
         {ControlId::NoiseReduction, ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak})
        c_.panel.Enable(id, false);
    displays_.Refresh();
}

void ReceiverController::SetClock(ControllerContext::Clock clock) {
    c_.clock = clock ? std::move(clock) : ControllerContext::Clock(SystemSecondsUtc);
    c_.stationPanel.Tick();
}

Outcome ReceiverController::RestoreAll(bool readIdentity) {
    return c_.Run([&](Outcome& o) {
        SettingsRecord& s = c_.settings;
        s.Clamp();
        if (readIdentity) c_.startup.ReadIdentity();
        tuning_.ApplyTuneMode(s.TuneMode != 0);
        tuning_.SetCentre(s.CenterFreq);
        frontEnd_.ApplyAttenuator(s.AttenuatorIdx);
        ApplyMemList(s.MemListIdx);
        c_.panel.Check(ControlId::Preamp, s.AdcPreamp != 0);
        c_.panel.Check(ControlId::Dither, s.AdcDither != 0);
        c_.panel.Check(ControlId::Presel, s.Preselector != 0);
        s.levelOffsetDb = s.AdcPreamp ? -7.5 : -4.0;
        if (!frontEnd_.ApplyRate(false, o)) return;
        displays_.RefreshSpan();
        displays_.RefreshRefLevel();
        displays_.RefreshScale();
        tuning_.RefreshCFStep();
        demodulator_.ApplyFilter(s.DemBwIdx[c_.Mode()]);
        demodulator_.SelectMode(c_.Mode());
        tuning_.RefreshWheelStep();
        displays_.ApplyDisplayFunction(s.DispFnIdx);
        displays_.ApplySecDisplayFunction(s.SecDispFnIdx);
        frontEnd_.RefreshCal();
        displays_.ApplySMeterMode(s.SmtrMode);
        // The five sliders at their stored values, each value applied.
        displays_.ApplyAvgVal(DisplayId::Main, s.MainAvgVal);
        displays_.ApplyAvgVal(DisplayId::Secondary, s.SecAvgVal);
        demodulator_.ApplySliderValues();
        c_.panel.Enable(ControlId::NoiseReduction, false);
        c_.panel.CheckRadio(ControlId::SourceReceiver, 2, 0);
        source_.SelectSource(0, false);
        for (ControlId id :
             {ControlId::SecPbt, ControlId::SecNotch, ControlId::MarkerPeak, ControlId::FileOpen})
            c_.panel.Enable(id, false);
        displays_.ApplyAveraging(DisplayId::Main, false);
        displays_.ApplyAveraging(DisplayId::Secondary, false);
        demodulator_.ApplyNoiseBlanker(false);
        demodulator_.ApplyNoiseReduction(false);
        demodulator_.ApplyAudio(true);  // whatever the mode: DRM starts with audio on
    });
}

Outcome ReceiverController::RestoreWithoutReceiver() {
    c_.Store(c_.settings.retuneInhibit, 1);
    return RestoreAll(false);
}

Outcome ReceiverController::Start() {
    return c_.Run([&](Outcome&) {
        // The mode again, now that samples flow; the audio stays on as the
        // start-up left it, even for DRM and USER.
        const bool audio = c_.panel.Checked(ControlId::Audio);
        demodulator_.SelectMode(c_.Mode());
        demodulator_.ApplyAudio(audio);
        c_.engine.SetTuningOffsetHz(c_.settings.FreqOffset);
        tuning_.CentreChanged();
        displays_.Reconfigure();
    });
}

Outcome ReceiverController::SendFrontEnd() {
    return c_.Run([&](Outcome&) { frontEnd_.SendFrontEndNow(); });
}

Outcome ReceiverController::Shutdown() {
    return c_.Run([&](Outcome&) { source_.CloseFileNow(); });
}

SMeterReading ReceiverController::MeterUpdate() {
    SMeterReading r;
    if (faulted_.load()) {
        c_.board.ClearOverload();
        r.tenthsDbm = kSMeterMinDbm * 10;
        return r;
    }
    const double level =
        c_.settings.SmtrMode == 1 ? c_.engine.AgcPeakLevelDb() : c_.engine.AgcAverageLevelDb();
    r.tenthsDbm = SMeterTenths(level, c_.settings);
    r.clip = c_.board.GetOverload() != 0;
    c_.board.ClearOverload();
    r.lock = c_.engine.IsDemodulatorLocked();
    return r;
}

Outcome ReceiverController::SelectMemList(int memListIdx) {
    return c_.Run([&](Outcome& o) {
        if (memListIdx < 0 || memListIdx > 2) {
            o.accepted = false;
            return;
        }
        ApplyMemList(memListIdx);
    });
}

void ReceiverController::ApplyMemList(int memListIdx) {
    memListIdx = std::clamp(memListIdx, 0, 2);
    c_.settings.MemListIdx = memListIdx;
    c_.panel.CheckRadio(ControlId::ListHfcc, 3, memListIdx);
    c_.stationRedraw |=
        c_.stationPanel.SetList(c_.stations ? c_.stations->List(memListIdx) : nullptr);
}

Outcome ReceiverController::StationTick() {
    return c_.Run([&](Outcome&) { c_.stationRedraw |= c_.stationPanel.Tick(); });
}

ReceiverInfoTexts ReceiverController::InfoTexts() {
    if (!c_.startup.IsPreProduction()) c_.startup.ReadIdentity();
    return FormatReceiverInfo(c_.startup.Identity(), c_.startup.IsPreProduction(),
                              c_.library.GetDLLVersion());
}

}  // namespace velorix
