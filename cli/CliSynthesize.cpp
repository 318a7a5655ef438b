#include "CliSynthesize.h"

#include <chrono>
#include <string>
#include <vector>

#include "BandSynthesis.h"
#include "DspRecorder.h"
#include "PreselectorBands.h"
#include "SettingsRecord.h"

namespace velorix {

int SynthesizeRecording(const CliOptions& o, const ShutdownSignals& signals, std::FILE* out,
                        std::FILE* err) {
    SettingsRecord s;
    if (o.rateKHz) s.DdcSamplingRateIdx = *o.rateKHz == 500 ? 2 : *o.rateKHz == 250 ? 1 : 0;
    const long long centre = o.centerHz ? *o.centerHz : o.tuneHz ? *o.tuneHz : s.CenterFreq;
    s.CenterFreq = static_cast<int>(centre);
    if (o.attenuatorIdx) s.AttenuatorIdx = *o.attenuatorIdx;
    if (o.preamp) s.AdcPreamp = *o.preamp;
    if (o.dither) s.AdcDither = *o.dither;
    if (o.preselector) s.Preselector = *o.preselector;
    s.Derive();

    sim::BandScenario band;
    std::string error;
    if (!sim::LoadBand(o.scenario, band, error)) {
        std::fprintf(err, "velorix-cli: %s\n", error.c_str());
        return 1;
    }
    sim::SynthesisRequest req;
    req.centreHz = static_cast<double>(centre);
    req.rateKHz = static_cast<int>(s.outputRateKHz);
    req.frontEnd.attenuatorStep = s.AttenuatorIdx;
    req.frontEnd.preamp = s.AdcPreamp != 0;
    req.frontEnd.dither = s.AdcDither != 0;
    req.frontEnd.preselectorFilter = PreselectorBandFor(centre, s.Preselector != 0);
    req.seconds = o.seconds.value_or(10.0);
    req.seed = o.seed.value_or(1);

    // A signal stops the writing at the next unit: the series keeps what was
    // made, with its true sizes, and the exit code tells the signal.
    CDspRecorder recorder(&s);
    recorder.SetRate(s.outputRateKHz);
    recorder.SetMaxSeconds(600);
    if (!recorder.Start(o.synthesize)) {
        std::fprintf(err, "velorix-cli: cannot create a recording at %s%s%s\n",
                     o.synthesize.c_str(), recorder.LastError().empty() ? "" : ": ",
                     recorder.LastError().c_str());
        return 1;
    }
    // The recorder takes whole units of 1024 frames, as the board hands them.
    const auto start = std::chrono::steady_clock::now();
    const uint64_t frames = sim::SynthesizeBand(
        band, req,
        [&](const uint8_t* f, size_t count) {
            for (size_t at = 0; at + 1024 <= count; at += 1024)
                recorder.Write(f + at * 6, 1024);
            return recorder.IsRecording() && signals.Caught() == 0;
        },
        error, 1024);
    const bool failed = !recorder.IsRecording();
    recorder.Stop();
    if (const int signal = signals.Caught(); signal != 0 && !failed)
        return ShutdownSignals::ExitCode(signal);
    if (frames == 0 || failed) {
        std::fprintf(err, "velorix-cli: %s\n",
                     !error.empty() ? error.c_str() : recorder.LastError().c_str());
        // Nothing half-made is left behind: every file of the series goes.
        const WavSeriesName series = ParseWavSeriesPath(o.synthesize);
        const std::string last = recorder.CurrentFileName();
        for (int n = series.number; n < series.number + 1000; ++n) {
            const std::string name = WavSeriesFileName(series.base, n);
            std::remove(name.c_str());
            if (name == last) break;
        }
        return 1;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(out, "synthesized %.1f s of %.0f kHz at %lld Hz in %.1f s into %s\n",
                 frames / (s.outputRateKHz * 1000.0), s.outputRateKHz, centre, wall,
                 recorder.CurrentFileName().c_str());
    return 0;
}

}  // namespace velorix
