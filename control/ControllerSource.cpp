// Where the samples come from (receiver or recording), recording and
// playback, and the status line.
#include <algorithm>
#include <cstdio>

#include "ReceiverController.h"
#include "StatusTexts.h"

namespace velorix {

void ReceiverController::EnterOffsetOnlyTuning() {
    // As "Center" switched off: recording and playback tune by offset only,
    // and the calibration, which retunes the receiver, is not offered.
    panel_.Enable(ControlId::Center, false);
    settings_.TuneMode = 0;
    panel_.Check(ControlId::Center, false);
    panel_.Enable(ControlId::Cal, false);
    panel_.Enable(ControlId::CalClr, false);
    displays_->SetFreeScroll(false);
}

void ReceiverController::SetPacing(bool on) {
    if (pacing_ != nullptr) pacing_->SetPlaybackPacing(on);
}

void ReceiverController::StopInternal() {
    if (settings_.recording.load()) {
        recorder_.Stop();
        // Nothing could change the receiver's settings while recording.
        receiverPending_ = false;
        settings_.retuneInhibit.store(0);
        settings_.recording.store(0);
        EnableFrontEnd(true);
        panel_.EnableGroup(ControlId::SourceReceiver, 2, true);
        panel_.EnableGroup(ControlId::Rate125, kRateCount, true);
        panel_.Enable(ControlId::Center, true);
        RefreshCentreArrows();
        RefreshCFStep();
        panel_.Enable(ControlId::StepDown, true);
        panel_.Enable(ControlId::StepUp, true);
        displays_->SetFreeScroll(true);
    }
    if (settings_.playing.load()) {
        board_.StopPlayback();
        SetPacing(false);
        settings_.playing.store(0);
    }
    stationPanel_.SetOwnClock(true);
}

void ReceiverController::CloseFileInternal() {
    StopInternal();
    if (settings_.fileLoaded.load()) {
        board_.CloseFile();
        panel_.recBar.rangeSelect = false;
        settings_.fileLoaded.store(0);
    }
}

Outcome ReceiverController::SelectSource(int source, bool startAcquisition) {
    return Run([&](Outcome& o) {
        const bool wav = source == 1;
        if ((source != 0 && source != 1) ||
            !panel_.Enabled(wav ? ControlId::SourceWav : ControlId::SourceReceiver)) {
            o.accepted = false;
            return;
        }
        panel_.CheckRadio(ControlId::SourceReceiver, 2, source);
        if (wav == (settings_.retuneInhibit.load() != 0)) {
            o.accepted = false;  // already the source
            return;
        }
        settings_.retuneInhibit.store(wav ? 1 : 0);
        panel_.Light(ControlId::Stop, true);
        panel_.Enable(ControlId::Stop, true);
        panel_.Enable(ControlId::Play, false);
        if (wav) {
            panel_.Enable(ControlId::FileOpen, true);
            EnterOffsetOnlyTuning();
            panel_.Enable(ControlId::Record, false);
            board_.Stop();
            displays_->ClearTraces();
            engine_.ResetAgc();
            panel_.EnableGroup(ControlId::Rate125, kRateCount, false);
            panel_.Enable(ControlId::CFStepDown, false);
            panel_.Enable(ControlId::CFStepUp, false);
            RefreshCentreArrows();
            return;
        }
        panel_.recBar.rangeSelect = false;
        if (settings_.restoreHardware.load()) {
            // The file replaced the receiver's settings in the record: send them.
            settings_.restoreHardware.store(0);
            CloseFileInternal();
            if (!ApplyRate(false, o)) return;
            SendFrontEndNow();
            SetOffset(0);
            SetCentre(settings_.CenterFreq);
            displays_->Redraw();
            CentreChanged();
            RefreshSpan();
        } else if (receiverPending_) {
            // The empty file source leaves the front end and the tuning
            // usable; what was changed there reaches the receiver now.
            SendFrontEndNow();
            CentreChanged();
        }
        receiverPending_ = false;
        panel_.Enable(ControlId::FileOpen, false);
        panel_.Enable(ControlId::Center, true);
        displays_->SetFreeScroll(true);
        panel_.Enable(ControlId::Record, true);
        if (startAcquisition) {
            engine_.RestartDisplays();
            if (!board_.Start()) o.accepted = false;
        }
        EnableFrontEnd(true);
        panel_.EnableGroup(ControlId::SourceReceiver, 2, true);
        panel_.EnableGroup(ControlId::Rate125, kRateCount, true);
        RefreshCFStep();  // 186/187 by the step index, 260/261 by the limits
        panel_.Enable(ControlId::StepDown, true);
        panel_.Enable(ControlId::StepUp, true);
    });
}

Outcome ReceiverController::LoadFile(const std::string& path, const std::string& shownName) {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::FileOpen)) {
            o.accepted = false;
            return;
        }
        CloseFileInternal();
        panel_.Light(ControlId::Play, false);
        shownFileName_ = shownName;
        if (board_.OpenFile(path, notifier_) != 1) {
            // The board has told why; the source stays empty.
            panel_.Enable(ControlId::Play, false);
            o.accepted = false;
            return;
        }
        panel_.Enable(ControlId::Play, true);
        EnterOffsetOnlyTuning();
        settings_.retuneInhibit.store(1);
        ApplyRate(false, o);  // inhibited: routes the chain, loads no bitstream
        displays_->Reconfigure();
        ShowFrontEndChecks();
        UpdatePreampDither();
        UpdatePreselectorBand();
        SetOffset(0);
        SetCentre(settings_.CenterFreq);
        displays_->Redraw();
        CentreChanged();
        displays_->ClearTraces();
        RefreshSpan();
        settings_.restoreHardware.store(1);
        panel_.recBar.rangeSelect = true;
        panel_.recBar.rangeBytes = board_.FileDataSize();
        panel_.recBar.positionBytes = board_.FilePosition();
        EnableFrontEnd(false);
        panel_.EnableGroup(ControlId::Rate125, kRateCount, false);
        panel_.Enable(ControlId::Center, false);
        panel_.Enable(ControlId::CentreDown, false);
        panel_.Enable(ControlId::CentreUp, false);
        panel_.Enable(ControlId::StepDown, false);
        panel_.Enable(ControlId::StepUp, false);
        panel_.EnableGroup(ControlId::SourceReceiver, 2, true);
        settings_.fileLoaded.store(1);
    });
}

Outcome ReceiverController::Play() {
    return Run([&](Outcome& o) {
        if (settings_.playing.load() || !settings_.fileLoaded.load() ||
            !panel_.Enabled(ControlId::Play)) {
            o.accepted = false;
            return;
        }
        // Pacing first: the buffers of the first read-ahead may be played
        // (and must be reported) before StartPlayback returns.
        SetPacing(true);
        if (board_.StartPlayback() != 1) {
            SetPacing(false);
            o.accepted = false;
            return;
        }
        displays_->Reconfigure();
        settings_.playing.store(1);
        stationPanel_.SetOwnClock(false);
        panel_.Enable(ControlId::Stop, true);
        panel_.Light(ControlId::Stop, false);
        panel_.Light(ControlId::Play, true);
    });
}

Outcome ReceiverController::StopButton() {
    return Run([&](Outcome& o) {
        if (!settings_.recording.load() && !settings_.playing.load()) {
            o.accepted = false;
            return;
        }
        panel_.Light(ControlId::Stop, true);
        panel_.Light(ControlId::Play, false);
        panel_.Light(ControlId::Record, false);
        StopInternal();
    });
}

Outcome ReceiverController::StartRecording(const std::string& path) {
    return Run([&](Outcome& o) {
        if (settings_.recording.load() || !panel_.Enabled(ControlId::Record)) {
            o.accepted = false;
            return;
        }
        recorder_.SetMaxSeconds(600);
        panel_.recBar.rangeBytes = recorder_.MaxBytesPerFile();
        if (recorder_.Start(path) != 1) {
            o.accepted = false;  // the Receiver state stays as it was
            // The user must hear why nothing is recorded: the system's reason.
            if (const std::string why = recorder_.LastError(); !why.empty())
                notifier_.Notify(why, "Record Error", Notifier::Icon::Error, Notifier::Buttons::Ok);
            return;
        }
        EnterOffsetOnlyTuning();
        settings_.retuneInhibit.store(1);
        panel_.Light(ControlId::Stop, false);
        panel_.Light(ControlId::Play, false);
        panel_.Light(ControlId::Record, true);
        EnableFrontEnd(false);
        panel_.EnableGroup(ControlId::SourceReceiver, 2, false);
        panel_.EnableGroup(ControlId::Rate125, kRateCount, false);
        panel_.Enable(ControlId::CFStepDown, false);
        panel_.Enable(ControlId::CFStepUp, false);
        panel_.Enable(ControlId::CentreDown, false);
        panel_.Enable(ControlId::CentreUp, false);
        panel_.Enable(ControlId::StepDown, false);
        panel_.Enable(ControlId::StepUp, false);
        recordingPath_ = path;
        settings_.recording.store(1);
    });
}

Outcome ReceiverController::CloseFile() {
    return Run([&](Outcome&) { CloseFileInternal(); });
}

Outcome ReceiverController::SelectFileRange(std::uint64_t startBytes, std::uint64_t endBytes) {
    return Run([&](Outcome& o) {
        if (!settings_.fileLoaded.load()) {
            o.accepted = false;
            return;
        }
        board_.SetLoop(startBytes / 6 * 6, endBytes / 6 * 6);
        panel_.recBar.positionBytes = board_.FilePosition();
    });
}

void ReceiverController::ShowFileText(const std::string& text) {
    panel_.SetText(label::kFile, receiverFault_.empty() ? text : receiverFault_);
}

void ReceiverController::ShowStatusTime(std::int64_t secondsUtc) {
    panel_.SetText(label::kTime, StatusTimeText(secondsUtc));
    panel_.SetText(label::kDate, StatusDateText(secondsUtc));
}

Outcome ReceiverController::Tick() {
    return Run([&](Outcome&) {
        if (settings_.recording.load()) {
            const std::string name = recorder_.CurrentFileName();
            const auto freeBytes = freeSpace_(recorder_.RecordingDirectory());
            double gBytes = 0.0;
            if (freeBytes) gBytes = FreeGBytes(*freeBytes);
            ShowFileText(freeBytes ? RecordingFileText(name, gBytes) : name);
            ShowStatusTime(clock_());
            panel_.recBar.positionBytes = recorder_.BytesInFile();
            // The recorder ends a recording itself on a write error; the
            // controls must then leave the Recording state too. An unknown
            // free space lets the recording go on.
            if (freeBytes && gBytes < 1.0 && recorder_.IsRecording()) {
                // Stopped for a reason the user must hear, as a write error is.
                char why[96];
                std::snprintf(why, sizeof why,
                              "Recording stopped: %.2f GBytes free, less than the 1 GByte needed",
                              gBytes);
                recorder_.StopFor(why);
                notifier_.Notify(why, "Record Error", Notifier::Icon::Error, Notifier::Buttons::Ok);
            }
            if (!recorder_.IsRecording()) {
                panel_.Light(ControlId::Stop, true);
                panel_.Light(ControlId::Play, false);
                panel_.Light(ControlId::Record, false);
                StopInternal();
            }
            return;
        }
        if (settings_.fileLoaded.load() || settings_.playing.load()) {
            // A series that ends early at a file it cannot play says why, once.
            if (const std::string why = board_.TakeSeriesEnd(); !why.empty())
                notifier_.Notify(why, "Playback", Notifier::Icon::Warning, Notifier::Buttons::Ok);
            const CAcqBoard::PlayingFile file = board_.CurrentFile();
            panel_.SetText(label::kFile, shownFileName_.empty() ? file.name : shownFileName_);
            if (file.switched) panel_.recBar.rangeBytes = file.dataSize;
            panel_.recBar.positionBytes = file.position;
            const std::int64_t t =
                PlaybackTimeUtc(file.startTime, file.position, settings_.outputRateKHz);
            if (settings_.playing.load()) stationRedraw_ |= stationPanel_.SetClock(t);
            ShowStatusTime(t);
            return;
        }
        panel_.recBar.positionBytes = 0;
        panel_.SetText(label::kDate, "");
        panel_.SetText(label::kTime, "");
        ShowFileText("");
    });
}

}  // namespace velorix
