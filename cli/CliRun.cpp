#include "CliRun.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "AssembledReceiver.h"
#include "CliReceiver.h"
#include "ConsoleNotifier.h"
#include "DiscardingConsumer.h"
#include "ReceiverInfo.h"
#include "RunMeter.h"
#include "RunPictures.h"
#include "SMeterValues.h"
#include "SettingsStore.h"
#include "StationLabelPainter.h"

namespace velorix {

namespace {

using Clock = std::chrono::steady_clock;

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

// One headless run in its steps: the assembly from the options, the start
// (of the receiver or of a file), the receive loop, the summary. The meter
// and the displays are declared before the receiver: they outlive its chain.
class HeadlessRun {
public:
    HeadlessRun(const CliOptions& options, ShutdownSignals& signals, std::FILE* out, std::FILE* err)
        : o_(options),
          signals_(signals),
          out_(out),
          err_(err),
          notifier_(err, stdin, false),
          meter_(options.smeter ? out : nullptr),
          pictures_(options),
          rx_(Assemble()) {}

    // Settings, checks and start-up; the exit code when the run cannot start.
    std::optional<int> Start();
    // Receives until the signal time is reached, a file ends or a signal comes.
    void Receive();
    // Shuts the receiver down, writes the pictures, prints the summary;
    // returns the exit code.
    int Finish();

private:
    AssembledReceiver::Options Assemble();
    std::optional<int> Prepare();
    bool StartReceiver();
    std::optional<int> StartFile();
    bool StartRecording();
    void ApplyDsp();
    void ShowState() { pictures_.Show(rx_.Controller().MainDisplay()); }
    bool FileEndedBadly();
    void PrintSummary();

    const CliOptions& o_;
    ShutdownSignals& signals_;
    std::FILE* out_;
    std::FILE* err_;
    const bool fromFile_ = o_.source == CliOptions::Source::File;
    ConsoleNotifier notifier_;
    RunMeter meter_;
    RunPictures pictures_;
    DiscardingConsumer secondaryDisplay_{256};
    AssembledReceiver rx_;
    std::optional<RunWatch> watch_;
    double seconds_ = 0;  // of signal received
    double wall_ = 0;     // seconds the receiving took
    int code_ = 0;
};

AssembledReceiver::Options HeadlessRun::Assemble() {
    AssembledReceiver::Options options = ReceiverOptions(o_, notifier_);
    options.audioTap = &meter_.Tap();
    return options;
}

std::optional<int> HeadlessRun::Prepare() {
    LoadCliSettings(o_, rx_, err_);
    // A recording series is never written over unasked.
    if (const auto first = o_.record.empty() || o_.overwrite
                               ? std::nullopt
                               : SourcePart::SeriesInTheWay(o_.record)) {
        std::fprintf(err_, "velorix-cli: %s already exists: give --overwrite to record over it\n",
                     first->c_str());
        return 1;
    }
    if (!fromFile_ && !OffsetWithinRate(rx_.Settings(), err_)) return 2;
    if (!OpenAudio(o_, rx_, err_) || !pictures_.Open(err_)) return 1;
    rx_.SetDisplays(&pictures_.Display(), &secondaryDisplay_);
    if (!rx_.BuildEngine()) return 1;
    pictures_.SetThread(&rx_.Engine()->MainDisplayThread());
    // With fonts, the station names' boxes are laid out at their drawn width.
    if (qGuiApp != nullptr)
        rx_.Controller().Displays().SetLabelWidth(&StationLabelPainter::BoxWidth);
    return std::nullopt;
}

std::optional<int> HeadlessRun::Start() {
    // Until the first block may arrive a signal ends the run at once: nothing
    // is half-written then, and the library may hold this thread in a wait of
    // seconds.
    signals_.EndAtOnce(true);
    if (const std::optional<int> code = Prepare()) return code;
    if (fromFile_) {
        if (const std::optional<int> code = StartFile()) return code;
    } else if (!StartReceiver()) {
        return 1;
    }
    rx_.Controller().StationTick();
    meter_.Attach(&rx_.Controller());
    ShowState();
    signals_.EndAtOnce(false);
    if (fromFile_ && !rx_.Controller().Source().Play().accepted) {
        meter_.Attach(nullptr);
        return 1;
    }
    return std::nullopt;
}

// Everything is in place before the first block, as it is for a file, so a
// recording played back gives the very same audio.
bool HeadlessRun::StartReceiver() {
    bool reachedAcquisition = false;
    const bool started = rx_.StartHeadless({[this] {
                                                ApplyDsp();
                                                return true;
                                            },
                                            [&] {
                                                signals_.EndAtOnce(false);
                                                reachedAcquisition = StartRecording();
                                                return reachedAcquisition;
                                            }});
    if (!started && reachedAcquisition)
        std::fprintf(err_, "velorix-cli: the receiver did not start streaming\n");
    return started;
}

// No receiver: the file's own settings rule, nothing is sent anywhere.
std::optional<int> HeadlessRun::StartFile() {
    ReceiverController& ctl = rx_.Controller();
    const SettingsRecord& settings = rx_.Settings();
    ctl.RestoreWithoutReceiver();
    ctl.Source().SelectSource(1, false);
    if (!ctl.Source().LoadFile(o_.sourceFile).accepted) return 1;
    if (o_.tuneHz) {
        const long long offset = settings.CenterFreq - *o_.tuneHz;
        const double limit = 0.4 * settings.outputRateKHz * 1000.0;
        if (std::abs(static_cast<double>(offset)) > limit) {
            std::fprintf(err_,
                         "velorix-cli: the tuned frequency must lie within %.0f Hz of the "
                         "file's centre %d Hz\n",
                         limit, settings.CenterFreq);
            return 2;
        }
        ctl.Tuning().SetTuningOffset(offset);
    }
    ApplyDsp();
    rx_.Board().SetStopAtEnd(true);
    return std::nullopt;
}

// A recording starts before the first block, so it holds everything the
// chain receives: played back, it gives the same audio.
bool HeadlessRun::StartRecording() {
    if (o_.record.empty()) return true;
    rx_.Recorder().SetRate(kOutputRatesKHz[rx_.Settings().DdcSamplingRateIdx]);
    if (rx_.Controller().Source().StartRecording(o_.record).accepted) return true;
    // A reason has been told as a notice.
    if (rx_.Recorder().LastError().empty())
        std::fprintf(err_, "velorix-cli: cannot record to %s\n", o_.record.c_str());
    return false;
}

void HeadlessRun::ApplyDsp() {
    DemodulatorPart& d = rx_.Controller().Demodulator();
    if (o_.nbValue) d.SetNBVal(*o_.nbValue), d.SetNoiseBlanker(true);
    if (o_.nrValue) d.SetNRVal(*o_.nrValue), d.SetNoiseReduction(true);
    ShowState();
}

void HeadlessRun::Receive() {
    const double wanted = o_.seconds.value_or(fromFile_ ? 1e12 : 10.0);
    watch_.emplace(rx_, err_);
    const auto start = Clock::now();
    auto lastTick = start;
    while (watch_->SignalSeconds() < wanted && signals_.Caught() == 0) {
        if (fromFile_ && !rx_.Board().IsPlaying()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (Clock::now() - lastTick < std::chrono::milliseconds(250)) continue;
        lastTick = Clock::now();
        rx_.Controller().Source().Tick();                             // free-space guard and status
        if (rx_.Controller().StationTick().mainDisplay) ShowState();  // a new minute's names
        if (!o_.record.empty() && !rx_.Recorder().IsRecording() &&
            !rx_.Recorder().LastError().empty())
            break;
        // A file or stream that takes no more audio (a full disk, a reader
        // gone): told already, and told again below.
        if (!o_.audioOut.empty() && rx_.AudioOut1().Failed()) break;
        // A run of a given length ends at a gap in the stream; one without
        // waits for the receiver to come back (or for a signal).
        if (!watch_->Check() && o_.seconds) break;
    }
    wall_ = std::chrono::duration<double>(Clock::now() - start).count();
    // A run of a given length covers that much signal, however late this
    // thread saw it reached: the meter's lines and the summary stop there.
    seconds_ = std::min(watch_->SignalSeconds(), wanted);
    code_ = watch_->HadGap() ? 1 : 0;  // the stream had a gap, whatever followed
    if (FileEndedBadly()) code_ = 1;
}

// A series cut short by a file it cannot play is no normal end: said here,
// if no tick has said it yet.
bool HeadlessRun::FileEndedBadly() {
    if (!fromFile_ || rx_.Board().SeriesEnd().empty()) return false;
    if (const std::string why = rx_.Board().TakeSeriesEnd(); !why.empty())
        std::fprintf(err_, "velorix-cli: %s\n", why.c_str());
    return true;
}

int HeadlessRun::Finish() {
    meter_.Drain(seconds_);
    const AssembledReceiver::ShutdownReport shut = rx_.Shutdown();
    if (rx_.AudioOut1().Failed()) {
        std::fprintf(err_, "velorix-cli: audio was lost: %s\n",
                     o_.audioOut.empty() ? "the sound device failed"
                                         : ("writing " + o_.audioOut + " failed").c_str());
        code_ = 1;
    }
    // A recording asked for that ended early (the disk, the free-space guard)
    // has already been told; it still fails the run.
    if (!o_.record.empty() && !rx_.Recorder().LastError().empty()) code_ = 1;
    if (shut.settingsSaved == false) {
        std::fprintf(err_, "velorix-cli: the settings could not be saved to %s\n",
                     SettingsStore::FilePath().c_str());
        code_ = 1;
    }
    if (!pictures_.Write(rx_.Controller().MainDisplay(), err_)) code_ = 1;
    PrintSummary();
    if (const int signal = signals_.Caught(); signal != 0) return ShutdownSignals::ExitCode(signal);
    return code_;
}

void HeadlessRun::PrintSummary() {
    const SettingsRecord& settings = rx_.Settings();
    std::fprintf(out_, "summary:\n");
    std::fprintf(out_, "  signal    %.1f s\n", seconds_);
    std::fprintf(out_, "  wall      %.1f s (%.1f x real time)\n", wall_,
                 wall_ > 0 ? seconds_ / wall_ : 0.0);
    std::fprintf(out_, "  s-meter   %s\n", meter_.LastLine().c_str());
    std::fprintf(out_, "  dropped   ring %llu bytes, audio %llu buffers\n",
                 static_cast<unsigned long long>(rx_.Board().DroppedBytes()),
                 static_cast<unsigned long long>(rx_.AudioOut1().DroppedCount()));
    if (!fromFile_) std::fprintf(out_, "  receiver  %s\n", SummaryReceiver(rx_.Startup()).c_str());
    std::fprintf(out_, "  stations on air at %.3f kHz:\n%s", settings.TunedHz() * 0.001,
                 SummaryStations(rx_.Controller()).c_str());
    std::fflush(out_);
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

// Options → assembly → receive loop → summary.
int RunCli(const CliOptions& options, ShutdownSignals& signals, std::FILE* out, std::FILE* err) {
    HeadlessRun run(options, signals, out, err);
    if (const std::optional<int> code = run.Start()) return *code;
    run.Receive();
    return run.Finish();
}

}  // namespace velorix
