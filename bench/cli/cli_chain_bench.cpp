// The whole receive chain, as a user runs it: a recording of the built-in band
// (60 s by default) is made once with `velorix-cli --synthesize`, then played
// through `velorix-cli --source ... --audio-out ...` in each benchmark. The
// program's own summary gives the real-time factor ("wall ... (N x real
// time)"), which excludes start-up; it is reported as x_real_time, and the
// input throughput as MSps (complex samples per second). x_real_time_cpu is
// the signal time over the program's CPU time (start-up included, about
// 16 ms): on a machine shared with other work it is the steadier figure.
//
// Run it pinned to one core (scripts/bench.sh does): the chain runs on the
// acquisition worker, the file reader and the audio writer on their own
// threads, so pinning gives the single-core figure.
//
// Environment: VELORIX_BENCH_SECONDS (recording length, default 60),
// VELORIX_BENCH_DIR (where the recordings go, default the temp folder).
//
// At the end it prints the real-time factors as a table of rate × mode and,
// when GNU Radio is installed, the factor of scripts/gr_chain.py running the
// equivalent chain on the same 500 kHz recording, and the ratio.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string CliPath() {
    std::error_code ec;
    return (fs::read_symlink("/proc/self/exe", ec).parent_path() / "velorix-cli").string();
}

double RecordingSeconds() {
    const char* s = std::getenv("VELORIX_BENCH_SECONDS");
    const double v = s != nullptr ? std::atof(s) : 60.0;
    return v > 0 ? v : 60.0;
}

fs::path WorkDir() {
    const char* d = std::getenv("VELORIX_BENCH_DIR");
    static const fs::path dir = fs::path(d != nullptr ? d : fs::temp_directory_path().string()) /
                                ("velorix-chain-bench-" + std::to_string(::getpid()));
    return dir;
}

// CPU time (user and system) of the finished child processes, in seconds.
double ChildCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// Runs a command line; returns its stdout, or "" with `ok` false.
std::string Run(const std::string& cmd, bool& ok) {
    std::string out;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    ok = p != nullptr;
    if (!ok) return out;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    ok = ::pclose(p) == 0;
    return out;
}

// The recording of the default band at `rateKHz`, made on first use.
const std::string& Recording(int rateKHz) {
    static std::map<int, std::string> made;
    auto it = made.find(rateKHz);
    if (it != made.end()) return it->second;
    fs::create_directories(WorkDir());
    const std::string base = (WorkDir() / ("band" + std::to_string(rateKHz) + ".wav")).string();
    std::string cmd(1, '\'');
    cmd.append(CliPath()).append("' --synthesize '").append(base).append("' --rate ");
    cmd.append(std::to_string(rateKHz)).append(" --seconds ");
    cmd.append(std::to_string(RecordingSeconds())).append(" --tune 14150000 2>&1");
    bool ok = false;
    const std::string out = Run(cmd, ok);
    std::string path = (WorkDir() / ("band" + std::to_string(rateKHz) + "_000.wav")).string();
    if (!ok || !fs::exists(path)) {
        std::fprintf(stderr, "synthesis failed: %s\n%s\n", cmd.c_str(), out.c_str());
        path.clear();
    }
    return made.emplace(rateKHz, path).first->second;
}

void Chain(benchmark::State& state, int rateKHz, const char* mode, int filter) {
    const std::string& wav = Recording(rateKHz);
    if (wav.empty()) {
        state.SkipWithError("no recording");
        return;
    }
    const std::string audio = (WorkDir() / "audio.wav").string();
    // Appended piecewise: GCC 12 misreads "literal" + std::string&& (-Wrestrict).
    std::string cmd(1, '\'');
    cmd.append(CliPath()).append("' --source '").append(wav).append("' --audio-out '");
    cmd.append(audio).append("' --mode ").append(mode).append(" --filter ");
    cmd.append(std::to_string(filter)).append(" 2>&1");
    static const std::regex wallLine(R"(wall +([0-9.]+) s \(([0-9.]+) x real time\))");
    double sumFactor = 0.0, cpuSeconds = 0.0;
    int runs = 0;
    for (auto _ : state) {
        bool ok = false;
        const double cpuBefore = ChildCpuSeconds();
        const std::string out = Run(cmd, ok);
        cpuSeconds += ChildCpuSeconds() - cpuBefore;
        std::smatch m;
        if (!ok || !std::regex_search(out, m, wallLine)) {
            state.SkipWithError(("velorix-cli failed: " + out).c_str());
            return;
        }
        const double factor = std::stod(m[2]);
        state.SetIterationTime(RecordingSeconds() / factor);
        sumFactor += factor;
        ++runs;
    }
    const double factor = runs > 0 ? sumFactor / runs : 0.0;
    state.counters["x_real_time"] = factor;
    state.counters["x_real_time_cpu"] =
        cpuSeconds > 0.0 ? runs * RecordingSeconds() / cpuSeconds : 0.0;
    state.counters["MSps"] = factor * rateKHz / 1000.0;
}

// Wall and CPU-time factors of each case, for the closing table.
std::map<std::string, std::pair<double, double>>& Factors() {
    static std::map<std::string, std::pair<double, double>> factors;
    return factors;
}

struct Case {
    int rateKHz;
    const char* mode;
    int filter;
};
constexpr Case kCases[] = {{500, "USB", 3}, {250, "USB", 3}, {125, "USB", 3},
                           {500, "AM", 1},  {250, "AM", 1},  {125, "AM", 1}};

std::string CaseName(const Case& c) {
    return std::to_string(c.rateKHz) + "kHz_" + c.mode + "_filter" + std::to_string(c.filter);
}

void RegisterCases() {
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark(("Chain/" + CaseName(c)).c_str(),
                                     [c](benchmark::State& s) {
                                         Chain(s, c.rateKHz, c.mode, c.filter);
                                         if (s.counters.count("x_real_time"))
                                             Factors()[CaseName(c)] = {
                                                 s.counters["x_real_time"],
                                                 s.counters["x_real_time_cpu"]};
                                     })
            ->UseManualTime()
            ->Iterations(5)
            ->Unit(benchmark::kMillisecond);
}

// GNU Radio's factors (wall clock, CPU time) for the same 500 kHz USB job,
// when GNU Radio is installed (it is never a dependency): 0 otherwise.
std::pair<double, double> GnuRadioFactors() {
    // The first interpreter on PATH may be a private one (pyenv, a venv)
    // that does not see the system's GNU Radio: the system's is tried next.
    bool ok = false;
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        Run(std::string(candidate) + " -c 'import gnuradio' 2>/dev/null", ok);
        if (ok) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) return {0.0, 0.0};
    const std::string& wav = Recording(500);
    if (wav.empty()) return {0.0, 0.0};
    std::string cmd = python + " '" VELORIX_SOURCE_DIR "/scripts/gr_chain.py' '";
    cmd.append(wav).append("' 2>&1");
    const std::string out = Run(cmd, ok);
    static const std::regex factorLine(
        R"(([0-9.]+) x real time .*by CPU time ([0-9.]+) x real time)");
    std::smatch m;
    if (!ok || !std::regex_search(out, m, factorLine)) {
        std::fprintf(stderr, "GNU Radio chain failed:\n%s\n", out.c_str());
        return {0.0, 0.0};
    }
    return {std::stod(m[1]), std::stod(m[2])};
}

void PrintTable() {
    std::printf(
        "\nreceive chain, %.0f s of the built-in band, one core, x real time by the\n"
        "wall clock (and by the program's CPU time, start-up included):\n",
        RecordingSeconds());
    std::printf("  %-8s %16s %16s\n", "rate", "USB", "AM");
    for (int rate : {125, 250, 500}) {
        std::printf("  %-8s", (std::to_string(rate) + " kHz").c_str());
        for (const char* mode : {"USB", "AM"}) {
            for (const Case& c : kCases) {
                if (c.rateKHz != rate || std::string(c.mode) != mode) continue;
                auto it = Factors().find(CaseName(c));
                if (it == Factors().end())
                    std::printf(" %16s", "-");
                else
                    std::printf(" %7.1f (%6.1f)", it->second.first, it->second.second);
            }
        }
        std::printf("\n");
    }
    const auto [grWall, grCpu] = GnuRadioFactors();
    auto usb = Factors().find(CaseName(kCases[0]));
    if (grWall <= 0.0 || grCpu <= 0.0)
        std::printf("GNU Radio: not installed, no ratio measured\n");
    else if (usb != Factors().end())
        std::printf("GNU Radio, 500 kHz USB: %.1f (%.1f) x real time; ratio %.2f (%.2f)\n", grWall,
                    grCpu, usb->second.first / grWall, usb->second.second / grCpu);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterCases();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintTable();
    std::error_code ec;
    fs::remove_all(WorkDir(), ec);
    return 0;
}
