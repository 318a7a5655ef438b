#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AcqBoard.h"
#include "AudioSink.h"
#include "DspBlock.h"
#include "DspRecorder.h"
#include "Notifier.h"
#include "PlaybackPacing.h"
#include "ReceiverController.h"
#include "ReceiverEngine.h"
#include "ReceiverStartup.h"
#include "ReceiverWatch.h"
#include "SettingsRecord.h"
#include "StationLists.h"
#include "UsbLibrary.h"
#include "WaveOut.h"

namespace velorix {

// The whole receiver below a front end: settings record and store, station
// lists, library binding, acquisition board, recorder, audio outputs, receive
// chain, start-up routine and controller, wired in one place. The window and
// the headless receiver differ only in what they hand in (display consumers,
// notifier, audio device) and in how they answer notices.
//
// Everything runs on the user-interface (or main) thread.
class AssembledReceiver : private PlaybackPacing {
public:
    struct Slots {
        Notifier& notifier;
        // Audio out 1's device (null: the sound server) and the substring of
        // its description (empty: the default device).
        std::unique_ptr<AudioSink> audioSink{};
        std::string audioDevice{};
        // A pass-through block between volume 1 and audio out 1 (owned by
        // the caller, like the displays); null: none.
        CDspBlock* audioTap = nullptr;
        // Audio out 2 (volume 2 at -10 dB) on the "Virtual Audio Cable" sink.
        bool secondAudioOut = false;
        // Settings loaded from and saved to the per-user store.
        bool useStore = false;
        // Where the station lists are looked for first; the data
        // directories follow.
        std::string stationDirectory{"."};
    };

    // Between the start-up steps: the window shows itself after the restore
    // and starts its timers once the controller runs, before the front end
    // is sent; the headless receiver applies its options after the restore
    // and starts a recording before acquisition. A false result ends the start.
    struct StartHooks {
        std::function<bool()> afterRestore{};
        std::function<bool()> beforeAcquisition{};
        std::function<void()> whenRunning{};
    };

    struct ShutdownReport {
        // Empty when the store is not in use; else whether the save worked.
        std::optional<bool> settingsSaved;
    };

    explicit AssembledReceiver(Slots slots);
    ~AssembledReceiver() override;
    AssembledReceiver(const AssembledReceiver&) = delete;
    AssembledReceiver& operator=(const AssembledReceiver&) = delete;

    // Consumers behind the two display threads (null: nothing shown), set
    // before BuildEngine. Owned by the caller; they must outlive Shutdown(),
    // which joins the display threads, and may be destroyed after it.
    void SetDisplays(CDspConsumer* mainDisplay, CDspConsumer* secondaryDisplay);

    // --- The start-up steps, each usable on its own ---------------------
    bool BindLibrary();
    // Opens audio out 1 on its device; false when it cannot be opened.
    bool OpenAudio();
    // Audio out 1 becomes a device-less output paced by the clock.
    void UseSilentAudio();
    // Opens the board, audio out 2 when asked, and builds the chain. Audio
    // out 1 must be open. A chain that cannot be built is told, and the
    // receiver cannot run.
    bool BuildEngine();
    // From the store when it is in use; the keys are clamped and their
    // combination mended. Returns what the user should hear of it, which
    // SettingsNotes() keeps for the notice after the start.
    std::vector<std::string> LoadSettings();
    const std::vector<std::string>& SettingsNotes() const { return settingsNotes_; }
    bool OpenReceiver() { return startup_.OpenReceiver(); }
    bool DownloadFirmware() { return startup_.DownloadFirmware(); }
    // Identity, every control and the chain from the settings; false when
    // fatal (the bitstream would not load).
    bool Restore();
    bool StartAcquisition();
    void StartController();
    void SendFrontEnd();

    // The window's order: bind, engine, settings, open, firmware, restore,
    // afterRestore (show), acquisition, controller, whenRunning (timers),
    // front end, each once. Audio out 1 falls back to silence when its
    // device cannot be opened.
    bool StartWindow(const StartHooks& hooks);
    // The headless order, with the chain built and the settings in place:
    // bind, open, firmware, restore, afterRestore, controller, front end,
    // beforeAcquisition, acquisition last, so a recording holds every block.
    bool StartHeadless(const StartHooks& hooks);

    // The stream judged (every 250 ms): a fault or the receiver's return
    // is reported once, and the controller shows the fault that holds. A
    // receiver that comes back is brought up again at the current settings.
    ReceiverWatch::Report WatchReceiver();

    // Controller shutdown (recording or playback stopped, file closed),
    // settings saved when the store is in use, board stopped, audio outputs
    // shut down, receiver closed and library unloaded, chain destroyed (its
    // display threads joined). Safe to call more than once. Afterwards the
    // controller answers readouts only.
    ShutdownReport Shutdown() { return Close(true); }

    SettingsRecord& Settings() { return settings_; }
    const StationLists& Stations() const { return stations_; }
    ReceiverController& Controller() { return *controller_; }
    CAcqBoard& Board() { return board_; }
    CDspRecorder& Recorder() { return recorder_; }
    ReceiverStartup& Startup() { return startup_; }
    UsbLibrary& Library() { return library_; }
    CWaveOut& AudioOut1() { return *audio1_; }
    CWaveOut* AudioOut2() { return audio2_.get(); }
    // Null before BuildEngine and after Shutdown.
    CReceiverEngine* Engine() { return engine_.get(); }

private:
    // The controller's playback pacing goes straight to audio out 1.
    void SetPlaybackPacing(bool on) override;
    // The destructor closes without saving: a start that failed must not
    // store what it was asked to try.
    ShutdownReport Close(bool saveSettings);
    // The bring-up of a receiver that came back, at the rate, front end and
    // tuning of the settings record.
    bool BringUpAgain();

    Notifier& notifier_;
    CDspConsumer* mainDisplay_ = nullptr;
    CDspConsumer* secondaryDisplay_ = nullptr;
    std::string audioDevice_;
    CDspBlock* audioTap_;
    bool secondAudioOut_;
    bool useStore_;

    SettingsRecord settings_;
    StationLists stations_;
    UsbLibrary library_;
    CAcqBoard board_;
    CDspRecorder recorder_;
    ReceiverStartup startup_;
    std::unique_ptr<CWaveOut> audio1_;
    std::unique_ptr<CWaveOut> audio2_;
    std::unique_ptr<CReceiverEngine> engine_;
    std::unique_ptr<ReceiverController> controller_;
    ReceiverWatch watch_{board_, startup_};
    std::vector<std::string> settingsNotes_;
    std::optional<ShutdownReport> shutdown_;
};

}  // namespace velorix
