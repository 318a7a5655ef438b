#include "AssembledReceiver.h"

#include "DataDirectories.h"
#include "NullAudioSink.h"
#include "PulseAudioSink.h"
#include "SettingsStore.h"

namespace velorix {

namespace {
// The sink audio out 2 plays on, found by its description.
constexpr const char* kVirtualCableDevice = "Virtual Audio Cable";
constexpr const char* kChainNotBuilt =
    "The receive chain could not be built: the system refused memory or a thread";

std::vector<std::string> StationDirectories(const std::string& first) {
    std::vector<std::string> dirs = files::DataDirectories(files::ExecutablePlace());
    dirs.insert(dirs.begin(), first);
    return dirs;
}
}  // namespace

AssembledReceiver::AssembledReceiver(Slots slots)
    : notifier_(slots.notifier),
      audioDevice_(std::move(slots.audioDevice)),
      audioTap_(slots.audioTap),
      secondAudioOut_(slots.secondAudioOut),
      useStore_(slots.useStore),
      stations_(LoadStationLists(StationDirectories(slots.stationDirectory))),
      board_(library_),
      recorder_(&settings_, &notifier_),
      startup_(library_, settings_, notifier_),
      audio1_(std::make_unique<CWaveOut>(
          slots.audioSink ? std::move(slots.audioSink) : std::make_unique<PulseAudioSink>(),
          notifier_)),
      engine_(std::make_unique<CReceiverEngine>()) {
    board_.AttachRecorder(&recorder_);
    controller_ = std::make_unique<ReceiverController>(ControllerWiring{.settings = settings_,
                                                                        .engine = *engine_,
                                                                        .board = board_,
                                                                        .library = library_,
                                                                        .startup = startup_,
                                                                        .recorder = recorder_,
                                                                        .stations = &stations_,
                                                                        .notifier = notifier_,
                                                                        .pacing = this,
                                                                        .feed = engine_.get()});
}

AssembledReceiver::~AssembledReceiver() {
    Close(false);
}

void AssembledReceiver::SetDisplays(CDspConsumer* mainDisplay, CDspConsumer* secondaryDisplay) {
    mainDisplay_ = mainDisplay;
    secondaryDisplay_ = secondaryDisplay;
}

void AssembledReceiver::SetPlaybackPacing(bool on) {
    audio1_->SetPacing(on);
}

bool AssembledReceiver::BindLibrary() {
    return startup_.BindLibrary();
}

bool AssembledReceiver::OpenAudio() {
    return audio1_->Open(audioDevice_) != 0;
}

void AssembledReceiver::UseSilentAudio() {
    audio1_ = std::make_unique<CWaveOut>(std::make_unique<NullAudioSink>(), notifier_);
    audio1_->Open("");
}

bool AssembledReceiver::BuildEngine() {
    board_.Open(&settings_);
    if (secondAudioOut_) {
        audio2_ = std::make_unique<CWaveOut>(std::make_unique<PulseAudioSink>(), notifier_);
        // A missing cable leaves the chain without the second output.
        if (audio2_->Open(kVirtualCableDevice) == 0) audio2_.reset();
    }
    EngineEndpoints ends;
    ends.head = &board_;
    ends.mainDisplay = mainDisplay_;
    ends.secondaryDisplay = secondaryDisplay_;
    ends.audioOut1 = audio1_.get();
    if (audioTap_ != nullptr) {
        audioTap_->Connect(audio1_.get());
        ends.audioOut1 = audioTap_;
    }
    ends.audioOut2 = audio2_.get();
    ends.notifier = &notifier_;
    if (engine_->Build(ends) != 1) {
        notifier_.Notify(kChainNotBuilt, "velorix", Notifier::Icon::Error, Notifier::Buttons::Ok);
        return false;
    }
    audio1_->SetPacer(&board_);
    return true;
}

std::vector<std::string> AssembledReceiver::LoadSettings() {
    settingsNotes_ = useStore_ ? SettingsStore::Load(settings_) : std::vector<std::string>{};
    return settingsNotes_;
}

bool AssembledReceiver::Restore() {
    return !controller_->RestoreAll(true).fatal;
}

bool AssembledReceiver::StartAcquisition() {
    return board_.Start();
}

void AssembledReceiver::StartController() {
    controller_->Start();
}

void AssembledReceiver::SendFrontEnd() {
    controller_->SendFrontEnd();
}

bool AssembledReceiver::StartWindow(const StartHooks& hooks) {
    if (!BindLibrary()) return false;
    if (!OpenAudio()) UseSilentAudio();
    if (!BuildEngine()) return false;
    LoadSettings();
    if (!OpenReceiver() || !DownloadFirmware() || !Restore()) return false;
    if (hooks.afterRestore && !hooks.afterRestore()) return false;
    if (!StartAcquisition()) return false;
    StartController();
    if (hooks.whenRunning) hooks.whenRunning();
    SendFrontEnd();
    return true;
}

bool AssembledReceiver::StartHeadless(const StartHooks& hooks) {
    if (!BindLibrary() || !OpenReceiver() || !DownloadFirmware() || !Restore()) return false;
    if (hooks.afterRestore && !hooks.afterRestore()) return false;
    StartController();
    SendFrontEnd();
    if (hooks.beforeAcquisition && !hooks.beforeAcquisition()) return false;
    return StartAcquisition();
}

ReceiverWatch::Report AssembledReceiver::WatchReceiver() {
    const bool receiverIsSource = controller_->Panel().Checked(ControlId::SourceReceiver);
    const ReceiverWatch::Report report =
        watch_.Check(receiverIsSource, [this] { return BringUpAgain(); });
    controller_->ShowReceiverFault(watch_.FaultText());
    return report;
}

bool AssembledReceiver::BringUpAgain() {
    return startup_.BringUpAgain({
        .stopInput = [this] { board_.Stop(); },
        .configureFpga =
            [this] { return startup_.ConfigureRate(settings_.DdcSamplingRateIdx, nullptr, false); },
        .sendFrontEnd =
            [this] {
                board_.SetFrequency(settings_.CenterFreq * 0.001);
                controller_->SendFrontEnd();
            },
        .startInput = [this] { return board_.Start(); },
    });
}

AssembledReceiver::ShutdownReport AssembledReceiver::Close(bool saveSettings) {
    if (shutdown_) return *shutdown_;
    ShutdownReport report;
    controller_->Shutdown();
    if (recorder_.IsRecording()) recorder_.Stop();
    if (useStore_ && saveSettings) report.settingsSaved = SettingsStore::Save(settings_);
    board_.Stop();
    // Not under the chain lock: the completion thread may wait for it.
    audio1_->Shutdown();
    if (audio2_) audio2_->Shutdown();
    startup_.Shutdown(nullptr);
    // Joins the display threads; the display consumers may go after this.
    engine_.reset();
    shutdown_ = report;
    return report;
}

}  // namespace velorix
