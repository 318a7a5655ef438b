#include "SigmfExport.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "AcqBoard.h"
#include "CheckedFile.h"
#include "ControlTable.h"
#include "DisplayTables.h"
#include "IqSamples.h"
#include "OutputFiles.h"
#include "SettingsRecord.h"
#include "SigmfNames.h"
#include "TuningTables.h"
#include "UtcTime.h"
#include "WavFormat.h"

namespace velorix {

namespace {

using nlohmann::ordered_json;

// Frames converted per step: bounded memory whatever the series' length.
constexpr std::size_t kChunkFrames = 65536;
// Series longer than this many files are not followed further.
constexpr int kMaxSeriesFiles = 10000;

struct SeriesFile {
    std::string path;
    WavHeader header;
    std::uint64_t dataBytes = 0;
    std::uint64_t Samples() const { return dataBytes / kWavFrameBytes; }
};

// Reads one file's header; `why` says what is wrong with it.
bool ReadFile(const std::string& path, SeriesFile& file, files::FileProblem* problem,
              std::string& why) {
    const auto in = files::OpenInput(path, files::kNoLimit, problem);
    if (!in) {
        why = problem->Describe(path);
        return false;
    }
    std::uint8_t raw[kWavHeaderBytes];
    const ssize_t got = ::pread(in->handle.Get(), raw, sizeof raw, 0);
    switch (ParseWavHeader(raw, got > 0 ? static_cast<std::size_t>(got) : 0, file.header)) {
        case WavHeaderStatus::TooShort:
            why = path + ": too short for a recording's header";
            return false;
        case WavHeaderStatus::NotReceiverFormat:
            why = path + ": not a velorix recording (no \"rcvr\" header)";
            return false;
        case WavHeaderStatus::Ok:
            break;
    }
    file.path = path;
    file.dataBytes = WavPlayableBytes(file.header.dataBytes, in->size);
    return true;
}

bool SameSettings(const WavReceiverInfo& a, const WavReceiverInfo& b) {
    return a.centerFreqHz == b.centerFreqHz && a.rateIdx == b.rateIdx &&
           a.attenuatorIdx == b.attenuatorIdx && a.preselector == b.preselector &&
           a.preamp == b.preamp && a.dither == b.dither;
}

// The recording and the files of its series that follow it, as playback
// would go on through them.
bool ReadSeries(const std::string& first, std::vector<SeriesFile>& series,
                std::vector<std::string>& notes, std::string& error) {
    files::FileProblem problem;
    SeriesFile file;
    if (!ReadFile(first, file, &problem, error)) return false;
    series = {file};
    const WavSeriesName name = ParseWavSeriesPath(first);
    for (int n = name.number + 1; n < name.number + kMaxSeriesFiles; ++n) {
        const std::string next = WavSeriesFileName(name.base, n);
        std::string why;
        if (!ReadFile(next, file, &problem, why)) {
            const bool absent =
                problem.kind == files::FileProblem::Kind::System && problem.error == ENOENT;
            if (!absent) notes.push_back("the series ends before " + why);
            break;
        }
        if (!SameSettings(file.header.info, series.front().header.info)) {
            notes.push_back("the series ends before " + next +
                            ": it was recorded with other "
                            "settings");
            break;
        }
        series.push_back(file);
    }
    return true;
}

ordered_json Metadata(const std::vector<SeriesFile>& series, const ExportRequest& request,
                      std::size_t& captureCount) {
    const WavReceiverInfo& info = series.front().header.info;
    const double rate = WavRateHz(info.rateIdx);
    ordered_json global;
    global["core:datatype"] = request.asFloat ? "cf32_le" : "ci16_le";
    global["core:version"] = "1.2.0";
    global["core:sample_rate"] = rate;
    global["core:recorder"] = "velorix " VELORIX_VERSION;
    global["core:hw"] = "Velorix direct-sampling HF receiver (80 MHz ADC, 24-bit I/Q)";
    global["core:description"] =
        request.asFloat ? "The receiver's 24-bit samples as floats: raw / 2^23, exact."
                        : "The receiver's 24-bit samples rounded to 16 bits: round(raw / 256), "
                          "held to -32768...32767.";
    global["core:extensions"] = ordered_json::array(
        {{{"name", sigmf::kExtension}, {"version", sigmf::kExtensionVersion}, {"optional", true}}});
    global[sigmf::kAttenuator] = 10 * info.attenuatorIdx;
    global[sigmf::kPreamp] = info.preamp != 0;
    global[sigmf::kDither] = info.dither != 0;
    global[sigmf::kPreselector] = info.preselector != 0;
    global[sigmf::kFullScaleDbm] = FullScaleDbm(info.attenuatorIdx, info.preamp != 0,
                                                info.preselector != 0, info.centerFreqHz);
    if (request.tunedHz) global[sigmf::kTunedFrequency] = static_cast<double>(*request.tunedHz);
    if (request.mode) global[sigmf::kMode] = ModeName(*request.mode);

    // One capture per stretch of files each of which starts where the one
    // before ended, within a second.
    ordered_json captures = ordered_json::array();
    std::uint64_t start = 0;
    for (std::size_t i = 0; i < series.size(); ++i) {
        const std::uint32_t t = series[i].header.info.startTime;
        const bool follows = i > 0 && std::abs(t - (series[i - 1].header.info.startTime +
                                                    series[i - 1].Samples() / rate)) <= 1.0;
        if (!follows)
            captures.push_back({{"core:sample_start", start},
                                {"core:frequency", static_cast<double>(info.centerFreqHz)},
                                {"core:datetime", IsoUtcText(t)}});
        start += series[i].Samples();
    }
    captureCount = captures.size();
    ordered_json meta;
    meta["global"] = global;
    meta["captures"] = captures;
    meta["annotations"] = ordered_json::array();
    return meta;
}

// Streams every file's frames into `out` in the chosen datatype.
bool WriteData(const std::vector<SeriesFile>& series, bool asFloat, int out,
               const std::string& outPath, std::string& error) {
    const std::size_t outBytes = asFloat ? 8 : 4;
    std::vector<std::uint8_t> frames(kChunkFrames * kWavFrameBytes);
    std::vector<std::uint8_t> samples(kChunkFrames * outBytes);
    for (const SeriesFile& file : series) {
        files::FileProblem problem;
        const auto in = files::OpenInput(file.path, files::kNoLimit, &problem);
        if (!in) {
            error = problem.Describe(file.path);
            return false;
        }
        for (std::uint64_t done = 0; done < file.dataBytes;) {
            const std::size_t bytes = static_cast<std::size_t>(
                std::min<std::uint64_t>(frames.size(), file.dataBytes - done));
            if (::pread(in->handle.Get(), frames.data(), bytes,
                        static_cast<off_t>(kWavHeaderBytes + done)) !=
                static_cast<ssize_t>(bytes)) {
                error = file.path + ": could not be read at byte " + std::to_string(done);
                return false;
            }
            const std::size_t count = bytes / kWavFrameBytes;
            (asFloat ? FramesToCf32 : FramesToCi16)(frames.data(), count, samples.data());
            if (!WriteAll(out, samples.data(), count * outBytes)) {
                error = outPath + ": " + std::strerror(errno);
                return false;
            }
            done += bytes;
        }
    }
    return true;
}

}  // namespace

double FullScaleDbm(int attenuatorIdx, bool preamp, bool preselector, std::int64_t centreHz) {
    SettingsRecord settings;
    settings.AttenuatorIdx = attenuatorIdx;
    settings.AdcPreamp = preamp;
    settings.Preselector = preselector;
    settings.Derive();
    settings.preselectorBand = PreselectorBandFor(centreHz, preselector);
    // The level the chain measures for a full-scale sample, raw 2^23 as the
    // board converts it, plus what the displays add.
    return 20.0 * std::log10(kFullScaleRaw * 256.0 * CAcqBoard::kSampleScale) +
           LevelCalibrationDb(settings);
}

std::string ExportBaseName(const std::string& recording) {
    return std::filesystem::path(recording).replace_extension().string();
}

bool ExportSigmf(const ExportRequest& request, ExportResult& result, std::string& error) {
    result = ExportResult{};
    std::vector<SeriesFile> series;
    if (!ReadSeries(request.recording, series, result.notes, error)) return false;
    result.metaPath = request.outBase + sigmf::kMetaSuffix;
    result.dataPath = request.outBase + sigmf::kDataSuffix;
    for (const SeriesFile& f : series) {
        std::error_code ignored;
        if (std::filesystem::equivalent(f.path, result.dataPath, ignored) ||
            std::filesystem::equivalent(f.path, result.metaPath, ignored)) {
            error = f.path + ": the recording being read";
            return false;
        }
    }
    // Both names are taken before a byte is written, so a refusal leaves
    // everything as it was.
    files::FileProblem problem;
    const files::OutputOptions options{.exclusive = !request.overwrite};
    auto meta = files::OpenOutput(result.metaPath, options, &problem);
    if (!meta) {
        error = OutputRefused(problem, result.metaPath);
        return false;
    }
    auto data = files::OpenOutput(result.dataPath, options, &problem);
    auto fail = [&](const std::string& why) {
        error = why;
        ::unlink(result.metaPath.c_str());
        if (data) ::unlink(result.dataPath.c_str());
        return false;
    };
    if (!data) return fail(OutputRefused(problem, result.dataPath));
    if (!WriteData(series, request.asFloat, data->handle.Get(), result.dataPath, error))
        return fail(error);
    const std::string text = Metadata(series, request, result.captures).dump(2) + "\n";
    if (!WriteAll(meta->handle.Get(), text.data(), text.size()))
        return fail(result.metaPath + ": " + std::strerror(errno));
    for (const SeriesFile& f : series) {
        result.inputs.push_back(f.path);
        result.samples += f.Samples();
    }
    return true;
}

}  // namespace velorix
