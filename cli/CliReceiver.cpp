#include "CliReceiver.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "WavFileSink.h"

namespace velorix {

AssembledReceiver::Options ReceiverOptions(const CliOptions& o, Notifier& notifier) {
    using Device = AssembledReceiver::Device;
    AssembledReceiver::Options options{.notifier = notifier};
    // A file plays without the library: its environment is left alone.
    if (o.source == CliOptions::Source::Virtual) {
        options.device = Device::Virtual;
        options.scenario = o.scenario;
        options.seed = o.seed;
    } else if (o.source == CliOptions::Source::Usb) {
        options.device = Device::Usb;
    }
    if (!o.audioOut.empty()) {
        options.audioSink = std::make_unique<WavFileSink>(o.audioOut);
    } else {
        options.audioDevice = o.audioDevice.value_or("");
    }
    options.useStore = o.useSettings;
    return options;
}

void LoadCliSettings(const CliOptions& o, AssembledReceiver& rx, std::FILE* err) {
    for (const std::string& note : rx.LoadSettings())
        std::fprintf(err, "velorix-cli: %s\n", note.c_str());
    for (const std::string& note : rx.Stations().Notes())
        std::fprintf(err, "velorix-cli: %s\n", note.c_str());
    ApplyOptions(o, rx.Settings());
}

void ApplyOptions(const CliOptions& o, SettingsRecord& s) {
    if (o.rateKHz) s.DdcSamplingRateIdx = *o.rateKHz == 500 ? 2 : *o.rateKHz == 250 ? 1 : 0;
    if (o.mode) s.DemIdx = *o.mode;
    if (o.filter) s.DemBwIdx[s.DemIdx] = *o.filter;
    if (o.agc) s.DemAgcIdx[s.DemIdx] = *o.agc;
    if (o.attenuatorIdx) s.AttenuatorIdx = *o.attenuatorIdx;
    if (o.preamp) s.AdcPreamp = *o.preamp;
    if (o.dither) s.AdcDither = *o.dither;
    if (o.preselector) s.Preselector = *o.preselector;
    if (o.volumeDb) s.VolVal = static_cast<int>(std::lround(*o.volumeDb * 10.0));
    if (o.nbValue) s.NBVal = *o.nbValue;
    if (o.nrValue) s.NRVal = *o.nrValue;
    s.MemListIdx = o.list;
    if (o.tuneHz || o.centerHz) {
        const long long tune = o.tuneHz ? *o.tuneHz : *o.centerHz;
        const long long centre = o.centerHz ? *o.centerHz : tune;
        s.CenterFreq = static_cast<int>(centre);
        s.FreqOffset = static_cast<int>(centre - tune);
        // Offset tuning keeps the centre where it was asked to be.
        s.TuneMode = s.FreqOffset == 0 ? 1 : 0;
    }
    if (o.rigctl) {
        s.RigctlPort = o.rigctl->port;
        s.RigctlHost = o.rigctl->host;
    }
    s.Derive();
}

bool OffsetWithinRate(const SettingsRecord& s, std::FILE* err) {
    const double rateKHz = kOutputRatesKHz[s.DdcSamplingRateIdx];
    if (std::abs(s.FreqOffset) <= 0.4 * rateKHz * 1000.0) return true;
    std::fprintf(err,
                 "velorix-cli: the tuned frequency must lie within %.0f Hz of the centre "
                 "at %.0f kHz\n",
                 0.4 * rateKHz * 1000.0, rateKHz);
    return false;
}

bool OpenAudio(const CliOptions& o, AssembledReceiver& rx, std::FILE* err) {
    if (rx.OpenAudio()) return true;
    if (!o.audioOut.empty()) {
        std::fprintf(err, "velorix-cli: cannot write the audio to %s\n", o.audioOut.c_str());
        return false;
    }
    if (o.audioDevice) {
        std::fprintf(err, "velorix-cli: no sound device matches \"%s\"\n", o.audioDevice->c_str());
        return false;
    }
    std::fprintf(err, "velorix-cli: no sound server reachable: playing no sound\n");
    rx.UseSilentAudio();
    return true;
}

RunWatch::RunWatch(AssembledReceiver& rx, std::FILE* err)
    : receiver_(rx), err_(err), rateHz_(rx.Board().GetOutputRate() * 1000.0) {}

double RunWatch::SignalSeconds() const {
    return (pushedBefore_ + receiver_.Board().BlocksPushed()) * 1024.0 / rateHz_;
}

bool RunWatch::Check() {
    const std::uint64_t pushed = receiver_.Board().BlocksPushed();
    const ReceiverWatch::Report watch = receiver_.WatchReceiver();
    if (!watch.news.empty()) std::fprintf(err_, "velorix-cli: %s\n", watch.news.c_str());
    if (watch.state != ReceiverWatch::State::Streaming) {
        gap_ = true;
        return false;
    }
    if (!watch.news.empty()) pushedBefore_ += pushed;  // brought up again: the count restarted
    return true;
}

}  // namespace velorix
