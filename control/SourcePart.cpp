#include "SourcePart.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "DisplaysPart.h"
#include "FrontEndPart.h"
#include "StatusTexts.h"
#include "TuningPart.h"
#include "WavFormat.h"

namespace velorix {

void SourcePart::SetPacing(bool on) {
    if (c_.pacing != nullptr) c_.pacing->SetPlaybackPacing(on);
}

void SourcePart::StopNow() {
    if (c_.settings.recording.load()) {
        c_.recorder.Stop();
        // Nothing could change the receiver's settings while recording.
        c_.receiverPending = false;
        c_.Store(c_.settings.retuneInhibit, 0);
        c_.Store(c_.settings.recording, 0);
        c_.frontEnd->EnableFrontEnd(true);
        c_.panel.EnableGroup(ControlId::SourceReceiver, 2, true);
        c_.panel.EnableGroup(ControlId::Rate125, kRateCount, true);
        c_.panel.Enable(ControlId::Center, true);
        c_.tuning->RefreshCentreArrows();
        c_.tuning->RefreshCFStep();
        c_.panel.Enable(ControlId::StepDown, true);
        c_.panel.Enable(ControlId::StepUp, true);
        c_.displays->SetFreeScroll(true);
    }
    if (c_.settings.playing.load()) {
        c_.board.StopPlayback();
        SetPacing(false);
        c_.Store(c_.settings.playing, 0);
    }
    c_.stationPanel.SetOwnClock(true);
}

void SourcePart::CloseFileNow() {
    StopNow();
    if (c_.settings.fileLoaded.load()) {
        c_.board.CloseFile();
        c_.panel.recBar.rangeSelect = false;
        c_.Store(c_.settings.fileLoaded, 0);
    }
}

Outcome SourcePart::SelectSource(int source, bool startAcquisition) {
    return c_.Run([&](Outcome& o) {
        const bool wav = source == 1;
        if ((source != 0 && source != 1) ||
            !c_.panel.Enabled(wav ? ControlId::SourceWav : ControlId::SourceReceiver)) {
            o.accepted = false;
            return;
        }
        c_.panel.CheckRadio(ControlId::SourceReceiver, 2, source);
        if (wav == (c_.settings.retuneInhibit.load() != 0)) {
            o.accepted = false;  // already the source
            return;
        }
        c_.Store(c_.settings.retuneInhibit, wav ? 1 : 0);
        c_.panel.Light(ControlId::Stop, true);
        c_.panel.Enable(ControlId::Stop, true);
        c_.panel.Enable(ControlId::Play, false);
        if (wav) {
            c_.panel.Enable(ControlId::FileOpen, true);
            c_.tuning->EnterOffsetOnlyTuning();
            c_.panel.Enable(ControlId::Record, false);
            c_.board.Stop();
            c_.displays->ClearTraces();
            c_.engine.ResetAgc();
            c_.panel.EnableGroup(ControlId::Rate125, kRateCount, false);
            c_.panel.Enable(ControlId::CFStepDown, false);
            c_.panel.Enable(ControlId::CFStepUp, false);
            c_.tuning->RefreshCentreArrows();
            return;
        }
        c_.panel.recBar.rangeSelect = false;
        if (c_.settings.restoreHardware.load()) {
            // The file replaced the receiver's settings in the record: send them.
            c_.Store(c_.settings.restoreHardware, 0);
            CloseFileNow();
            if (!c_.frontEnd->ApplyRate(false, o)) return;
            c_.frontEnd->SendFrontEndNow();
            c_.tuning->SetOffset(0);
            c_.tuning->SetCentre(c_.settings.CenterFreq);
            c_.tuning->CentreChanged();
            c_.displays->RefreshSpan();
        } else if (c_.receiverPending) {
            // The empty file source leaves the front end and the tuning
            // usable; what was changed there reaches the receiver now.
            c_.frontEnd->SendFrontEndNow();
            c_.tuning->CentreChanged();
        }
        c_.receiverPending = false;
        c_.panel.Enable(ControlId::FileOpen, false);
        c_.panel.Enable(ControlId::Center, true);
        c_.displays->SetFreeScroll(true);
        c_.panel.Enable(ControlId::Record, true);
        if (startAcquisition) {
            c_.engine.RestartDisplays();
            if (!c_.board.Start()) o.accepted = false;
        }
        c_.frontEnd->EnableFrontEnd(true);
        c_.panel.EnableGroup(ControlId::SourceReceiver, 2, true);
        c_.panel.EnableGroup(ControlId::Rate125, kRateCount, true);
        c_.tuning->RefreshCFStep();  // 186/187 by the step index, 260/261 by the limits
        c_.panel.Enable(ControlId::StepDown, true);
        c_.panel.Enable(ControlId::StepUp, true);
    });
}

Outcome SourcePart::LoadFile(const std::string& path, const std::string& shownName) {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(ControlId::FileOpen)) {
            o.accepted = false;
            return;
        }
        CloseFileNow();
        c_.panel.Light(ControlId::Play, false);
        c_.shownFileName = shownName;
        if (c_.board.OpenFile(path, c_.notifier) != 1) {
            // The board has told why; the source stays empty.
            c_.panel.Enable(ControlId::Play, false);
            o.accepted = false;
            return;
        }
        c_.panel.Enable(ControlId::Play, true);
        c_.tuning->EnterOffsetOnlyTuning();
        c_.Store(c_.settings.retuneInhibit, 1);
        c_.frontEnd->ApplyRate(false, o);  // inhibited: routes the chain, loads no bitstream
        c_.displays->Reconfigure();
        c_.frontEnd->ShowFrontEndChecks();
        c_.frontEnd->UpdatePreampDither();
        c_.frontEnd->UpdatePreselectorBand();
        c_.tuning->SetOffset(0);
        c_.tuning->SetCentre(c_.settings.CenterFreq);
        c_.tuning->CentreChanged();
        c_.displays->ClearTraces();
        c_.displays->RefreshSpan();
        c_.Store(c_.settings.restoreHardware, 1);
        c_.panel.recBar.rangeSelect = true;
        c_.panel.recBar.rangeBytes = c_.board.FileDataSize();
        c_.panel.recBar.positionBytes = c_.board.FilePosition();
        c_.frontEnd->EnableFrontEnd(false);
        c_.panel.EnableGroup(ControlId::Rate125, kRateCount, false);
        c_.panel.Enable(ControlId::Center, false);
        c_.panel.Enable(ControlId::CentreDown, false);
        c_.panel.Enable(ControlId::CentreUp, false);
        c_.panel.Enable(ControlId::StepDown, false);
        c_.panel.Enable(ControlId::StepUp, false);
        c_.panel.EnableGroup(ControlId::SourceReceiver, 2, true);
        c_.Store(c_.settings.fileLoaded, 1);
    });
}

Outcome SourcePart::Play() {
    return c_.Run([&](Outcome& o) {
        if (c_.settings.playing.load() || !c_.settings.fileLoaded.load() ||
            !c_.panel.Enabled(ControlId::Play)) {
            o.accepted = false;
            return;
        }
        // Pacing first: the buffers of the first read-ahead may be played
        // (and must be reported) before StartPlayback returns.
        SetPacing(true);
        if (c_.board.StartPlayback() != 1) {
            SetPacing(false);
            o.accepted = false;
            return;
        }
        c_.displays->Reconfigure();
        c_.Store(c_.settings.playing, 1);
        c_.stationPanel.SetOwnClock(false);
        c_.panel.Enable(ControlId::Stop, true);
        c_.panel.Light(ControlId::Stop, false);
        c_.panel.Light(ControlId::Play, true);
    });
}

Outcome SourcePart::StopButton() {
    return c_.Run([&](Outcome& o) {
        if (!c_.settings.recording.load() && !c_.settings.playing.load()) {
            o.accepted = false;
            return;
        }
        c_.panel.Light(ControlId::Stop, true);
        c_.panel.Light(ControlId::Play, false);
        c_.panel.Light(ControlId::Record, false);
        StopNow();
    });
}

std::optional<std::string> SourcePart::SeriesInTheWay(const std::string& path) {
    const WavSeriesName series = ParseWavSeriesPath(path);
    std::string first = WavSeriesFileName(series.base, series.number);
    std::error_code error;
    if (!std::filesystem::exists(first, error)) return std::nullopt;
    return first;
}

Outcome SourcePart::StartRecording(const std::string& path) {
    return c_.Run([&](Outcome& o) {
        if (c_.settings.recording.load() || !c_.panel.Enabled(ControlId::Record)) {
            o.accepted = false;
            return;
        }
        c_.recorder.SetMaxSeconds(600);
        c_.panel.recBar.rangeBytes = c_.recorder.MaxBytesPerFile();
        if (c_.recorder.Start(path) != 1) {
            o.accepted = false;  // the Receiver state stays as it was
            // The user must hear why nothing is recorded: the system's reason.
            if (const std::string why = c_.recorder.LastError(); !why.empty())
                c_.notifier.Notify(why, "Record Error", Notifier::Icon::Error,
                                   Notifier::Buttons::Ok);
            return;
        }
        c_.tuning->EnterOffsetOnlyTuning();
        c_.Store(c_.settings.retuneInhibit, 1);
        c_.panel.Light(ControlId::Stop, false);
        c_.panel.Light(ControlId::Play, false);
        c_.panel.Light(ControlId::Record, true);
        c_.frontEnd->EnableFrontEnd(false);
        c_.panel.EnableGroup(ControlId::SourceReceiver, 2, false);
        c_.panel.EnableGroup(ControlId::Rate125, kRateCount, false);
        c_.panel.Enable(ControlId::CFStepDown, false);
        c_.panel.Enable(ControlId::CFStepUp, false);
        c_.panel.Enable(ControlId::CentreDown, false);
        c_.panel.Enable(ControlId::CentreUp, false);
        c_.panel.Enable(ControlId::StepDown, false);
        c_.panel.Enable(ControlId::StepUp, false);
        c_.recordingPath = path;
        c_.Store(c_.settings.recording, 1);
    });
}

Outcome SourcePart::CloseFile() {
    return c_.Run([&](Outcome&) { CloseFileNow(); });
}

Outcome SourcePart::SelectFileRange(std::uint64_t startBytes, std::uint64_t endBytes) {
    return c_.Run([&](Outcome& o) {
        if (!c_.settings.fileLoaded.load()) {
            o.accepted = false;
            return;
        }
        c_.board.SetLoop(startBytes / 6 * 6, endBytes / 6 * 6);
        c_.panel.recBar.positionBytes = c_.board.FilePosition();
    });
}

void SourcePart::ShowFileText(const std::string& text) {
    c_.panel.SetText(label::kFile, c_.receiverFault.empty() ? text : c_.receiverFault);
}

void SourcePart::ShowStatusTime(std::int64_t secondsUtc) {
    c_.panel.SetText(label::kTime, StatusTimeText(secondsUtc));
    c_.panel.SetText(label::kDate, StatusDateText(secondsUtc));
}

Outcome SourcePart::Tick() {
    return c_.Run([&](Outcome&) {
        if (c_.settings.recording.load()) {
            CDspRecorder& recorder = c_.recorder;
            const std::string name = recorder.CurrentFileName();
            const auto freeBytes = c_.freeSpace(recorder.RecordingDirectory());
            double gBytes = 0.0;
            if (freeBytes) gBytes = FreeGBytes(*freeBytes);
            ShowFileText(freeBytes ? RecordingFileText(name, gBytes) : name);
            ShowStatusTime(c_.clock());
            c_.panel.recBar.positionBytes = recorder.BytesInFile();
            // The recorder ends a recording itself on a write error; the
            // controls must then leave the Recording state too. An unknown
            // free space lets the recording go on.
            if (freeBytes && gBytes < 1.0 && recorder.IsRecording()) {
                // Stopped for a reason the user must hear, as a write error is.
                char why[96];
                std::snprintf(why, sizeof why,
                              "Recording stopped: %.2f GBytes free, less than the 1 GByte needed",
                              gBytes);
                recorder.StopFor(why);
                c_.notifier.Notify(why, "Record Error", Notifier::Icon::Error,
                                   Notifier::Buttons::Ok);
            }
            if (!recorder.IsRecording()) {
                c_.panel.Light(ControlId::Stop, true);
                c_.panel.Light(ControlId::Play, false);
                c_.panel.Light(ControlId::Record, false);
                StopNow();
            }
            return;
        }
        if (c_.settings.fileLoaded.load() || c_.settings.playing.load()) {
            // A series that ends early at a file it cannot play says why, once.
            if (const std::string why = c_.board.TakeSeriesEnd(); !why.empty())
                c_.notifier.Notify(why, "Playback", Notifier::Icon::Warning, Notifier::Buttons::Ok);
            const CAcqBoard::PlayingFile file = c_.board.CurrentFile();
            c_.panel.SetText(label::kFile, c_.shownFileName.empty() ? file.name : c_.shownFileName);
            if (file.switched) c_.panel.recBar.rangeBytes = file.dataSize;
            c_.panel.recBar.positionBytes = file.position;
            const std::int64_t t =
                PlaybackTimeUtc(file.startTime, file.position, c_.settings.outputRateKHz);
            if (c_.settings.playing.load()) c_.stationRedraw |= c_.stationPanel.SetClock(t);
            ShowStatusTime(t);
            return;
        }
        c_.panel.recBar.positionBytes = 0;
        c_.panel.SetText(label::kDate, "");
        c_.panel.SetText(label::kTime, "");
        ShowFileText("");
    });
}

}  // namespace velorix
