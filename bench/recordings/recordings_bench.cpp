// Recordings that travel, timed as a user runs them:
// - ExportSigmf: a 500 kHz velorix recording to ci16_le and cf32_le;
// - ImportResampled: a 2 MS/s GQRX recording (cf32) to a 500 kHz series;
// reported as x_real_time (signal seconds per wall second) and
// x_real_time_cpu (per second of this process's CPU time, the steadier
// figure on a shared machine). Run pinned to one core (scripts/bench.sh).
// - ExportPeakRss: the export of a 10- and a 60-minute series at 125 kHz,
//   each in a child process of its own, its peak resident memory in MB
//   (the series' files are sparse, so they cost no disk until read).
//
// Environment: VELORIX_BENCH_SECONDS (signal per timed run, default 20),
// VELORIX_BENCH_DIR (where the files go, default the temp folder).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "RecordingImport.h"
#include "SigmfExport.h"
#include "WavFormat.h"

namespace {

namespace fs = std::filesystem;
using namespace velorix;

double SignalSeconds() {
    const char* s = std::getenv("VELORIX_BENCH_SECONDS");
    const double v = s != nullptr ? std::atof(s) : 20.0;
    return v > 0 ? v : 20.0;
}

const fs::path& WorkDir() {
    static const fs::path dir = [] {
        const char* d = std::getenv("VELORIX_BENCH_DIR");
        fs::path p = fs::path(d != nullptr ? d : fs::temp_directory_path().string()) /
                     ("velorix-recordings-bench-" + std::to_string(::getpid()));
        fs::create_directories(p);
        return p;
    }();
    return dir;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

// A velorix file of `seconds` at `rateIdx`: noise-like frames, or sparse
// (zeros, no disk) when `sparse`.
std::string MakeRecording(const std::string& name, int rateIdx, double seconds, bool sparse) {
    const std::string path = (WorkDir() / name).string();
    const std::uint64_t frames =
        static_cast<std::uint64_t>(seconds * WavRateHz(rateIdx)) / 1024 * 1024;
    WavReceiverInfo info{.centerFreqHz = 7100000,
                         .rateIdx = static_cast<std::uint32_t>(rateIdx),
                         .startTime = 1700000000};
    WavHeaderImage header = BuildWavHeader(info);
    SetWavSizes(header, static_cast<std::uint32_t>(frames * 6));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    if (sparse) {
        out.close();
        fs::resize_file(path, header.size() + frames * 6);
        return path;
    }
    std::vector<char> block(6144 * 64);
    std::uint32_t x = 12345;
    for (char& c : block)
        c = static_cast<char>(x = x * 1664525u + 1013904223u);
    for (std::uint64_t done = 0; done < frames * 6; done += block.size())
        out.write(block.data(), static_cast<std::streamsize>(
                                    std::min<std::uint64_t>(block.size(), frames * 6 - done)));
    return path;
}

void Report(benchmark::State& state, double signalSeconds, double cpu) {
    state.counters["x_real_time"] =
        benchmark::Counter(signalSeconds * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["x_real_time_cpu"] = signalSeconds * state.iterations() / cpu;
}

void ExportSigmfAt500k(benchmark::State& state) {
    static const std::string rec = MakeRecording("export_000.wav", 2, SignalSeconds(), false);
    const ExportRequest request{.recording = rec,
                                .outBase = (WorkDir() / "export").string(),
                                .asFloat = state.range(0) != 0,
                                .overwrite = true};
    const double cpu0 = CpuSeconds();
    for (auto _ : state) {
        ExportResult result;
        std::string error;
        if (!ExportSigmf(request, result, error)) state.SkipWithError(error.c_str());
    }
    Report(state, SignalSeconds(), CpuSeconds() - cpu0);
    state.SetLabel(state.range(0) ? "cf32_le" : "ci16_le");
}
BENCHMARK(ExportSigmfAt500k)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void ImportResampledFrom2MSps(benchmark::State& state) {
    static const std::string raw = [] {
        const std::string path =
            (WorkDir() / "gqrx_20240102_030405_7100000_2000000_fc.raw").string();
        const std::size_t n = static_cast<std::size_t>(SignalSeconds() * 2e6);
        std::vector<float> samples(2 * 65536);
        std::ofstream out(path, std::ios::binary);
        for (std::size_t at = 0; at < n; at += 65536) {
            for (std::size_t i = 0; i < 65536; ++i) {
                const double phase = 2 * M_PI * 0.05 * double(at + i);
                samples[2 * i] = static_cast<float>(0.1 * std::cos(phase));
                samples[2 * i + 1] = static_cast<float>(0.1 * std::sin(phase));
            }
            out.write(reinterpret_cast<const char*>(samples.data()),
                      static_cast<std::streamsize>(std::min<std::size_t>(65536, n - at) * 8));
        }
        return path;
    }();
    ImportPlan plan;
    ImportProblem problem;
    std::string error;
    if (!PlanImport({.input = raw, .outBase = (WorkDir() / "import").string(), .overwrite = true},
                    plan, problem, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const double cpu0 = CpuSeconds();
    for (auto _ : state) {
        ImportResult result;
        if (RunImport(plan, nullptr, result, error) != ImportStatus::Done)
            state.SkipWithError(error.c_str());
    }
    Report(state, SignalSeconds(), CpuSeconds() - cpu0);
    state.counters["taps_per_output"] =
        RationalResampler(plan.ratio, 0.42, 0.58, 90.0).TapsPerPhase();
}
BENCHMARK(ImportResampledFrom2MSps)->UseRealTime()->Unit(benchmark::kMillisecond);

// Peak resident memory (MB) of a child process exporting a series of
// `minutes` at 125 kHz.
void ExportPeakRss(benchmark::State& state) {
    const int minutes = static_cast<int>(state.range(0));
    const std::string base = "long" + std::to_string(minutes);
    std::string first;
    for (int file = 0; file < minutes / 10; ++file) {
        const std::string name = WavSeriesFileName(base, file);
        const std::string made = MakeRecording(fs::path(name).filename().string(), 0, 600, true);
        if (file == 0) first = made;
    }
    double rssMb = 0.0;
    for (auto _ : state) {
        const pid_t child = ::fork();
        if (child == 0) {
            ExportResult result;
            std::string error;
            const bool ok = ExportSigmf(
                {.recording = first, .outBase = (WorkDir() / base).string(), .overwrite = true},
                result, error);
            ::_exit(ok && result.inputs.size() == std::size_t(minutes / 10) ? 0 : 1);
        }
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("export failed");
        rssMb = usage.ru_maxrss / 1024.0;
    }
    state.counters["rss_mb"] = rssMb;
    state.counters["minutes"] = minutes;
    fs::remove(WorkDir() / (base + ".sigmf-data"));
}
BENCHMARK(ExportPeakRss)->Arg(10)->Arg(60)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(WorkDir(), ignored);
    return 0;
}
