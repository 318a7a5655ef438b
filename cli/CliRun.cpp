#include "CliRun.h"

#include <QGuiApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

#include "AssembledReceiver.h"
#include "AudioMeterTap.h"
#include "CliReceiver.h"
#include "ConsoleNotifier.h"
#include "PngOutput.h"
#include "ReceiverInfo.h"
#include "SMeterValues.h"
#include "SettingsStore.h"
#include "ShutdownSignals.h"
#include "SpectrumTap.h"
#include "StationLabelPainter.h"
#include "WavFileSink.h"
#include "WavFormat.h"

namespace velorix {

namespace {

using Clock = std::chrono::steady_clock;

// A consumer that takes blocks and forgets them: the secondary display's
// place in a program without one.
class DiscardSink : public CDspConsumer {
public:
    explicit DiscardSink(int capacity) : CDspConsumer(kDspTypeComplex, capacity, 0) {}
    void BufferFull() override { buffer->Commit(); }
    std::string& GetName(std::string& name) override { return name = "CDisplaySec"; }
};

// "serial, hardware version" of the receiver that was used.
std::string SummaryReceiver(const ReceiverStartup& startup) {
    const ReceiverInfoTexts info =
        FormatReceiverInfo(startup.Identity(), startup.IsPreProduction(), 0);
    return info.serial + ", hardware " + info.hardware;
}

std::string SummaryStations(ReceiverController& ctl) {
    std::string text;
    for (const std::string& line : ctl.StationLines())
        text += "  " + line + "\n";
    return text.empty() ? "  (none listed)\n" : text;
}

}  // namespace

std::string SMeterLine(double seconds, int tenthsDbm, bool lock, bool clip) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.1f s  %s dBm  %s", seconds,
                  SMeterLevelText(tenthsDbm).c_str(), SUnitText(tenthsDbm).c_str());
    std::string line = buf;
    if (lock) line += "  LOCK";
    if (clip) line += "  ADC CLIP";
    return line;
}

int RunCli(const CliOptions& o, std::FILE* out, std::FILE* err) {
    // Ctrl-C, SIGTERM and SIGHUP end the run through the same shutdown as
    // its end: files finished, settings saved, summary printed. Until the
    // first block may arrive they end it at once: nothing is half-written
    // then, and the library may hold this thread in a wait of seconds.
    ShutdownSignals signals;
    signals.EndAtOnce(true);
    ConsoleNotifier notifier(err, stdin, false);

    SelectDevice(o);
    const bool fromFile = o.source == CliOptions::Source::File;

    // The displays and the meter tap are declared first: they outlive the
    // receiver's chain.
    std::mutex meterMutex;
    ReceiverController* controller = nullptr;
    std::string lastMeter = "no signal";
    double meterLimitSeconds = 1e300;  // no line after the signal time the run ends at
    // The meter ticks on the engine thread; `controller` is set and cleared by
    // this thread. Both sides hold meterMutex, so a tick never reads a
    // controller being shut down.
    auto setController = [&](ReceiverController* c) {
        std::lock_guard lock(meterMutex);
        controller = c;
    };
    auto meterTick = [&](double seconds) {
        std::lock_guard lock(meterMutex);
        if (controller == nullptr || seconds > meterLimitSeconds + 1e-9) return;
        const SMeterReading r = controller->MeterUpdate();
        lastMeter = SMeterLine(seconds, r.tenthsDbm, r.lock, r.clip);
        if (o.smeter) std::fprintf(out, "%s\n", lastMeter.c_str());
    };
    constexpr int kMeterFrames = 3125;  // 100 ms of audio at 31250 Hz
    AudioMeterTap meter(kMeterFrames, kAudioRateHz, meterTick);
    // The picture names the stations on the air: their text needs Qt's
    // fonts, which come with a (screenless) GUI application.
    std::unique_ptr<QGuiApplication> fonts;
    if (!o.spectrum.empty() && QCoreApplication::instance() == nullptr) {
        static int argc = 3;
        static char name[] = "velorix-cli", option[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, option, platform, nullptr};
        fonts = std::make_unique<QGuiApplication>(argc, argv);
    }
    DiscardSink secDisplay(256);
    std::unique_ptr<SpectrumTap> mainDisplay;
    // The main display's thread, set once the engine is built; the tap sets its skip limit.
    std::atomic<CDspThread*> mainDisplayThread{nullptr};

    // Audio: a file, a named sink, or the default sink when a server answers.
    AssembledReceiver::Slots slots{.notifier = notifier};
    ChooseAudio(o, slots);
    slots.audioTap = &meter;
    AssembledReceiver rx(std::move(slots));
    SettingsRecord& settings = rx.Settings();
    LoadCliSettings(o, rx, err);
    // A recording series is never written over unasked.
    if (const auto first =
            o.record.empty() || o.overwrite ? std::nullopt : SourcePart::SeriesInTheWay(o.record)) {
        std::fprintf(err, "velorix-cli: %s already exists: give --overwrite to record over it\n",
                     first->c_str());
        return 1;
    }
    if (!fromFile && !OffsetWithinRate(settings, err)) return 2;
    if (!OpenAudio(o, rx, err)) return 1;
    PngOutput waterfallPng(o.waterfall, "waterfall"), spectrumPng(o.spectrum, "spectrum");
    bool picturesOpen = true;
    for (PngOutput* png : {&waterfallPng, &spectrumPng}) {
        if (std::string why; !png->Open(why)) {
            std::fprintf(err, "velorix-cli: %s\n", why.c_str());
            picturesOpen = false;
        }
    }
    if (!picturesOpen) return 1;

    // At most the window's 30 frames a second; the display thread drops the
    // blocks in between.
    mainDisplay =
        std::make_unique<SpectrumTap>(!o.waterfall.empty(), 30.0, [&mainDisplayThread](int n) {
            if (CDspThread* t = mainDisplayThread.load()) t->SetSkipLimit(n);
        });
    rx.SetDisplays(mainDisplay.get(), &secDisplay);
    if (!rx.BuildEngine()) return 1;
    if (rx.Engine() != nullptr) mainDisplayThread.store(&rx.Engine()->MainDisplayThread());
    ReceiverController& ctl = rx.Controller();
    if (qGuiApp != nullptr) ctl.Displays().SetLabelWidth(&StationLabelPainter::BoxWidth);
    CAcqBoard& board = rx.Board();
    // The picture is the window's main display, as the controller decides it.
    auto showState = [&] {
        mainDisplay->Show(std::make_shared<const DisplayState>(ctl.MainDisplay()));
    };

    // A recording starts before the first block, so it holds everything the
    // chain receives: played back, it gives the same audio.
    auto startRecording = [&] {
        if (o.record.empty()) return true;
        rx.Recorder().SetRate(kOutputRatesKHz[settings.DdcSamplingRateIdx]);
        if (ctl.Source().StartRecording(o.record).accepted) return true;
        // A reason has been told as a notice.
        if (rx.Recorder().LastError().empty())
            std::fprintf(err, "velorix-cli: cannot record to %s\n", o.record.c_str());
        return false;
    };
    auto applyDsp = [&] {
        DemodulatorPart& d = ctl.Demodulator();
        if (o.nbValue) d.SetNBVal(*o.nbValue), d.SetNoiseBlanker(true);
        if (o.nrValue) d.SetNRVal(*o.nrValue), d.SetNoiseReduction(true);
        showState();
        return true;
    };
    if (!fromFile) {
        // Everything is in place before the first block, as it is for a file,
        // so a recording played back gives the very same audio.
        bool reachedAcquisition = false;
        const bool started = rx.StartHeadless({applyDsp, [&] {
                                                   signals.EndAtOnce(false);
                                                   reachedAcquisition = startRecording();
                                                   return reachedAcquisition;
                                               }});
        if (!started) {
            if (reachedAcquisition)
                std::fprintf(err, "velorix-cli: the receiver did not start streaming\n");
            return 1;
        }
    } else {
        // No receiver: the file's own settings rule, nothing is sent anywhere.
        ctl.RestoreWithoutReceiver();
        ctl.Source().SelectSource(1, false);
        if (!ctl.Source().LoadFile(o.sourceFile).accepted) return 1;
        if (o.tuneHz) {
            const long long offset = settings.CenterFreq - *o.tuneHz;
            const double limit = 0.4 * settings.outputRateKHz * 1000.0;
            if (std::abs(static_cast<double>(offset)) > limit) {
                std::fprintf(err,
                             "velorix-cli: the tuned frequency must lie within %.0f Hz of the "
                             "file's centre %d Hz\n",
                             limit, settings.CenterFreq);
                return 2;
            }
            ctl.Tuning().SetTuningOffset(offset);
        }
        applyDsp();
        board.SetStopAtEnd(true);
    }
    ctl.StationTick();
    setController(&ctl);
    showState();
    signals.EndAtOnce(false);
    if (fromFile && !ctl.Source().Play().accepted) {
        setController(nullptr);
        return 1;
    }

    // Receive until the signal time is reached, a file ends or a signal comes.
    const double wanted = o.seconds.value_or(fromFile ? 1e12 : 10.0);
    const auto start = Clock::now();
    RunWatch watch(rx, err);
    auto lastTick = start;
    while (watch.SignalSeconds() < wanted && signals.Caught() == 0) {
        if (fromFile && !board.IsPlaying()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Clock::now() - lastTick >= std::chrono::milliseconds(250)) {
            lastTick = Clock::now();
            ctl.Source().Tick();                             // free-space guard and status
            if (ctl.StationTick().mainDisplay) showState();  // the names of a new minute
            if (!o.record.empty() && !rx.Recorder().IsRecording() &&
                !rx.Recorder().LastError().empty())
                break;
            // A file or stream that takes no more audio (a full disk, a
            // reader gone): told already, and told again below.
            if (!o.audioOut.empty() && rx.AudioOut1().Failed()) break;
            // A run of a given length ends at a gap in the stream; one without
            // waits for the receiver to come back (or for a signal).
            if (!watch.Check() && o.seconds) break;
        }
    }
    int code = watch.HadGap() ? 1 : 0;  // the stream had a gap, whatever followed
    // A series cut short by a file it cannot play is no normal end: said
    // here, if no tick has said it yet, and the run fails.
    if (fromFile && !board.SeriesEnd().empty()) {
        if (const std::string why = board.TakeSeriesEnd(); !why.empty())
            std::fprintf(err, "velorix-cli: %s\n", why.c_str());
        code = 1;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double seconds = watch.SignalSeconds();
    // The audio lags the receiver by the chain's delay: meter it up to the
    // signal time reached, waiting while it still comes (at most 2 s), so the
    // last lines are not lost on a loaded machine.
    {
        std::unique_lock lock(meterMutex);
        meterLimitSeconds = seconds;
    }
    const auto lastMark =
        static_cast<std::uint64_t>(std::floor(seconds * 10.0 + 1e-6)) * kMeterFrames;
    const auto waitEnd = Clock::now() + std::chrono::seconds(2);
    auto lastMove = Clock::now();
    for (std::uint64_t frames = meter.Frames(); frames < lastMark && Clock::now() < waitEnd;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (meter.Frames() != frames) {
            frames = meter.Frames();
            lastMove = Clock::now();
        } else if (Clock::now() - lastMove > std::chrono::milliseconds(100)) {
            break;  // a file's tail that never reaches the mark
        }
    }
    setController(nullptr);
    const AssembledReceiver::ShutdownReport shut = rx.Shutdown();

    if (rx.AudioOut1().Failed()) {
        std::fprintf(err, "velorix-cli: audio was lost: %s\n",
                     o.audioOut.empty() ? "the sound device failed"
                                        : ("writing " + o.audioOut + " failed").c_str());
        code = 1;
    }
    // A recording asked for that ended early (the disk, the free-space guard)
    // has already been told; it still fails the run.
    if (!o.record.empty() && !rx.Recorder().LastError().empty()) code = 1;
    if (shut.settingsSaved == false) {
        std::fprintf(err, "velorix-cli: the settings could not be saved to %s\n",
                     SettingsStore::FilePath().c_str());
        code = 1;
    }
    std::string why;
    if (!o.waterfall.empty()) {
        if (mainDisplay->WaterfallLines() == 0) {
            std::fprintf(err,
                         "velorix-cli: no spectrum was computed, so there is no waterfall "
                         "to write\n");
            code = 1;
        } else if (!waterfallPng.Write(mainDisplay->WaterfallImage(), why)) {
            std::fprintf(err, "velorix-cli: %s\n", why.c_str());
            code = 1;
        }
    }
    if (!o.spectrum.empty()) {
        if (mainDisplay->Spectra() == 0) {
            std::fprintf(err,
                         "velorix-cli: no spectrum was computed, so there is no spectrum "
                         "to write\n");
            code = 1;
        } else {
            // The last spectrum, redrawn with the tuned line, band and station
            // names where they ended.
            showState();
            mainDisplay->Render();
            if (!spectrumPng.Write(mainDisplay->Frames().FrontCopy(), why)) {
                std::fprintf(err, "velorix-cli: %s\n", why.c_str());
                code = 1;
            }
        }
    }
    std::string meterText;
    {
        std::lock_guard lock(meterMutex);
        meterText = lastMeter;
    }
    std::fprintf(out, "summary:\n");
    std::fprintf(out, "  signal    %.1f s\n", seconds);
    std::fprintf(out, "  wall      %.1f s (%.1f x real time)\n", wall,
                 wall > 0 ? seconds / wall : 0.0);
    std::fprintf(out, "  s-meter   %s\n", meterText.c_str());
    std::fprintf(out, "  dropped   ring %llu bytes, audio %llu buffers\n",
                 static_cast<unsigned long long>(board.DroppedBytes()),
                 static_cast<unsigned long long>(rx.AudioOut1().DroppedCount()));
    if (!fromFile) std::fprintf(out, "  receiver  %s\n", SummaryReceiver(rx.Startup()).c_str());
    std::fprintf(out, "  stations on air at %.3f kHz:\n%s", settings.TunedHz() * 0.001,
                 SummaryStations(ctl).c_str());
    std::fflush(out);
    if (const int signal = signals.Caught(); signal != 0) return ShutdownSignals::ExitCode(signal);
    return code;
}

}  // namespace velorix
