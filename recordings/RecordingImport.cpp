#include "RecordingImport.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "CheckedFile.h"
#include "SeriesWriter.h"
#include "UtcTime.h"

namespace velorix {

namespace {

// The resampler's band, in parts of the narrower rate: flat to ±0.42, at
// least 90 dB down from ±0.58, so nothing folds into ±0.42.
constexpr double kPass = 0.42;
constexpr double kStop = 0.58;
constexpr double kStopDb = 90.0;
constexpr int kMaxRatioTerm = 4096;
constexpr double kMaxCentreHz = 40e6;
// The fastest recording worth bringing down to 500 kHz (the filter's length
// grows with the ratio), and how far the ratio found may miss.
constexpr double kMaxRateHz = 200e6;
constexpr double kMaxRatioPpm = 100.0;
// Samples read, converted and written per step.
constexpr std::size_t kChunk = 65536;

std::string Printed(const char* format, double a, double b = 0.0, double c = 0.0) {
    char text[200];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// Seconds since 1970 at which the recording's first sample was taken, when
// it says nothing of its time: its file was last written when it ended.
std::optional<std::int64_t> StartFromFileTime(const ImportPlan& plan) {
    struct stat st {};
    if (::stat(plan.source.dataPath.c_str(), &st) != 0) return std::nullopt;
    return st.st_mtime - std::llround(static_cast<double>(plan.source.samples) / plan.rateHz);
}

bool DecideTimes(ImportPlan& plan, std::string& error) {
    const ForeignRecording& s = plan.source;
    const double outPerIn = plan.resample ? double(plan.ratio.up) / plan.ratio.down : 1.0;
    std::int64_t start = 0;
    if (!s.times.empty()) {
        start = s.times[0].utc - std::llround(s.times[0].sample / plan.rateHz);
    } else if (const auto guess = StartFromFileTime(plan)) {
        start = *guess;
        plan.notes.push_back(
            "the start time is not recorded: it is taken from the file's "
            "modification time, less the recording's length");
    }
    plan.times = {{0, start}};
    // A capture whose time follows from the one before (within a second)
    // continues it; any other starts a file of its own at its time.
    for (std::size_t i = 1; i < s.times.size(); ++i) {
        const TimeMark& before = s.times[i - 1];
        const TimeMark& mark = s.times[i];
        const double expected = before.utc + (mark.sample - before.sample) / plan.rateHz;
        if (std::abs(mark.utc - expected) <= 1.0) continue;
        const auto at = static_cast<std::uint64_t>(std::llround(mark.sample * outPerIn));
        if (at == plan.times.back().sample)
            plan.times.back().utc = mark.utc;  // no file without samples
        else
            plan.times.push_back({at, mark.utc});
    }
    for (const TimeMark& t : plan.times)
        if (t.utc < 0 || t.utc > 0xFFFFFFFFLL) {
            error = plan.request.input + ": time " + std::to_string(t.utc) +
                    " lies outside the years 1970-2106 a recording can carry";
            return false;
        }
    return true;
}

// False, with the reason, when the disk the series goes to has too little
// room for it.
bool HasRoom(const ImportPlan& plan, std::string& error) {
    const std::filesystem::path parent = std::filesystem::path(plan.request.outBase).parent_path();
    const std::string dir = parent.empty() ? "." : parent.string();
    struct statvfs vfs {};
    if (::statvfs(dir.c_str(), &vfs) != 0) return true;  // unknown: the writes will tell
    const std::uint64_t free = std::uint64_t(vfs.f_bavail) * vfs.f_frsize;
    if (free >= plan.bytesNeeded) return true;
    error = dir + Printed(": not enough room: the import needs %.0f MB, %.0f MB are free",
                          std::ceil(plan.bytesNeeded / 1e6), std::floor(free / 1e6));
    return false;
}

// The series' header: the centre and rate decided, and the front end a
// velorix recording brings with it (else all off, attenuator 0).
WavReceiverInfo SeriesInfo(const ImportPlan& plan) {
    WavReceiverInfo info;
    info.centerFreqHz = plan.centreHz;
    info.rateIdx = static_cast<std::uint32_t>(plan.rateIdx);
    if (const auto& fe = plan.source.frontEnd) {
        info.attenuatorIdx = static_cast<std::uint16_t>(fe->attenuatorIdx);
        info.preamp = fe->preamp;
        info.dither = fe->dither;
        info.preselector = fe->preselector;
    }
    return info;
}

}  // namespace

std::string ImportBaseName(const std::string& input) {
    return std::filesystem::path(input).stem().string();
}

bool PlanImport(const ImportRequest& request, ImportPlan& plan, ImportProblem& problem,
                std::string& error) {
    plan = ImportPlan{};
    plan.request = request;
    problem = ImportProblem::Unreadable;
    if (!ProbeRecording(request.input, plan.source, error)) return false;
    ForeignRecording& s = plan.source;
    if (request.inputRateHz) s.rateHz = *request.inputRateHz;
    if (request.centreHz) s.centreHz = *request.centreHz;
    if (!s.rateHz) {
        problem = ImportProblem::NoRate;
        error = request.input + ": the sample rate is not known" +
                (s.kind == "GQRX raw" ? " (the name is not gqrx_YYYYMMDD_HHMMSS_FREQ_RATE_fc.raw)"
                                      : "");
        return false;
    }
    plan.rateHz = *s.rateHz;
    if (plan.rateHz > kMaxRateHz) {
        problem = ImportProblem::RateOutOfRange;
        error = request.input + Printed(
                                    ": a sample rate of %.0f Hz is more than the %.0f MHz "
                                    "velorix resamples",
                                    plan.rateHz, kMaxRateHz / 1e6);
        return false;
    }
    if (!s.centreHz) {
        problem = ImportProblem::NoCentre;
        error = request.input + ": the centre frequency is not known" +
                (s.kind == "WAV" ? " (no auxi chunk)" : "");
        return false;
    }
    if (!(*s.centreHz >= 0.0 && *s.centreHz <= kMaxCentreHz)) {
        problem = ImportProblem::CentreOutOfRange;
        error =
            request.input +
            Printed(": the centre frequency %.0f Hz lies outside 0-40 MHz, the receiver's range",
                    *s.centreHz);
        return false;
    }
    plan.centreHz = static_cast<std::uint32_t>(std::lround(*s.centreHz));

    // The narrowest of the receiver's rates that holds the recording's band.
    const double band = s.bandwidthHz ? std::min(*s.bandwidthHz, plan.rateHz) : plan.rateHz;
    plan.rateIdx = 2;
    for (int idx = 2; idx >= 0; --idx)
        if (WavRateHz(static_cast<std::uint32_t>(idx)) >= band) plan.rateIdx = idx;
    const double target = WavRateHz(static_cast<std::uint32_t>(plan.rateIdx));
    plan.resample = plan.rateHz != target;
    if (plan.resample) {
        plan.ratio = ApproximateRatio(plan.rateHz, target, kMaxRatioTerm);
        if (plan.rateHz > target)
            plan.notes.push_back(
                Printed("the recording is %.0f kHz wide: resampled to %.0f kHz, what lies beyond "
                        "±%.0f kHz of the centre is dropped",
                        plan.rateHz / 1000.0, target / 1000.0, kPass * target / 1000.0));
        else
            plan.notes.push_back(
                Printed("resampled from %.0f Hz to %.0f kHz", plan.rateHz, target / 1000.0));
        const double ppm = (plan.rateHz * plan.ratio.up / plan.ratio.down / target - 1.0) * 1e6;
        if (std::abs(ppm) > kMaxRatioPpm) {
            problem = ImportProblem::RateOutOfRange;
            error = request.input + Printed(
                                        ": a sample rate of %.3f Hz cannot be resampled to "
                                        "%.0f kHz",
                                        plan.rateHz, target / 1000.0);
            return false;
        }
        if (std::abs(ppm) >= 0.005)
            plan.notes.push_back(Printed("the rate ratio is approximated as %.0f/%.0f (%.2f ppm)",
                                         plan.ratio.up, plan.ratio.down, ppm));
    }
    plan.outputSamples = plan.resample
                             ? (s.samples * plan.ratio.up + plan.ratio.down - 1) / plan.ratio.down
                             : s.samples;
    if (!DecideTimes(plan, error)) {
        problem = ImportProblem::TimeOutOfRange;
        return false;
    }
    // Whole blocks, one more for each file a capture starts, and the headers.
    const std::uint64_t block = SeriesWriter::kBlockFrames * kWavFrameBytes;
    const std::uint64_t perFile = static_cast<std::uint64_t>(target * SeriesWriter::kFileSeconds /
                                                             SeriesWriter::kBlockFrames);
    const std::uint64_t blocks =
        (plan.outputSamples + SeriesWriter::kBlockFrames - 1) / SeriesWriter::kBlockFrames;
    const std::uint64_t files = plan.times.size() + blocks / perFile;
    plan.bytesNeeded = (blocks + plan.times.size()) * block + files * kWavHeaderBytes;
    problem = ImportProblem::None;
    return true;
}

ImportStatus RunImport(const ImportPlan& plan, const ImportProgress& progress, ImportResult& result,
                       std::string& error) {
    result = ImportResult{};
    const ForeignRecording& s = plan.source;
    if (!HasRoom(plan, error)) return ImportStatus::Failed;
    files::FileProblem problem;
    const auto in = files::OpenInput(s.dataPath, files::kNoLimit, &problem);
    if (!in) {
        error = problem.Describe(s.dataPath);
        return ImportStatus::Failed;
    }
    SeriesWriter writer(plan.request.outBase, SeriesInfo(plan), plan.request.overwrite, s.dataPath);
    std::optional<RationalResampler> resampler;
    if (plan.resample) resampler.emplace(plan.ratio, kPass, kStop, kStopDb);

    const int sampleBytes = IqSampleBytes(s.encoding);
    std::vector<std::uint8_t> raw(kChunk * sampleBytes);
    std::vector<Cpx> decoded(kChunk);
    std::vector<Cpx> resampled(resampler ? resampler->MaxOutput(kChunk) : 0);
    std::vector<std::uint8_t> frames(std::max(kChunk, resampled.size()) * kWavFrameBytes);
    std::size_t nextMark = 1;
    std::uint64_t written = 0, held = 0;

    // Writes converted samples, starting a new file at each time mark.
    auto emit = [&](const Cpx* y, std::size_t n) {
        while (n > 0) {
            if (nextMark < plan.times.size() && plan.times[nextMark].sample <= written) {
                if (!writer.StartFile(plan.times[nextMark++].utc, error)) return false;
                continue;
            }
            std::size_t m = n;
            if (nextMark < plan.times.size())
                m = static_cast<std::size_t>(
                    std::min<std::uint64_t>(m, plan.times[nextMark].sample - written));
            held += EncodeFrames(y, m, !s.receiverBits, frames.data());
            if (!writer.Write(frames.data(), m, error)) return false;
            y += m;
            n -= m;
            written += m;
        }
        return true;
    };
    auto fail = [&](ImportStatus status) {
        writer.RemoveAll();
        return status;
    };

    if (!writer.StartFile(plan.times[0].utc, error)) return fail(ImportStatus::Failed);
    for (std::uint64_t done = 0; done < s.samples;) {
        const std::size_t k =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, s.samples - done));
        const std::size_t bytes = k * static_cast<std::size_t>(sampleBytes);
        const off_t at = static_cast<off_t>(s.dataOffset + done * sampleBytes);
        if (::pread(in->handle.Get(), raw.data(), bytes, at) != static_cast<ssize_t>(bytes)) {
            error =
                s.dataPath + ": the file ended or could not be read at byte " + std::to_string(at);
            return fail(ImportStatus::Failed);
        }
        DecodeIq(s.encoding, raw.data(), k, decoded.data());
        const bool ok = resampler ? emit(resampled.data(),
                                         resampler->Process(decoded.data(), k, resampled.data()))
                                  : emit(decoded.data(), k);
        if (!ok) return fail(ImportStatus::Failed);
        done += k;
        if (progress && !progress(static_cast<double>(done) / s.samples))
            return fail(ImportStatus::Cancelled);
    }
    if (resampler && !emit(resampled.data(), resampler->Flush(resampled.data())))
        return fail(ImportStatus::Failed);
    if (!writer.Finish(error)) return fail(ImportStatus::Failed);
    result.files = writer.Files();
    result.notes = plan.notes;
    if (held > 0)
        result.notes.push_back(std::to_string(held) +
                               " samples lay beyond full scale and were held at it");
    return ImportStatus::Done;
}

}  // namespace velorix
