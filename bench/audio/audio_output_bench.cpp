// CPU cost of CWaveOut at 31 250 Hz on PulseAudio (peer: the same queue on
// the clock-paced null device) and the buffers it drops while file playback
// paces it, and the latency from the first block handed to CWaveOut to its
// appearance on the sink's monitor.
//
// Starts a private PulseAudio daemon (one null sink, "Virtual Audio Cable")
// for the run and stops it at the end.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "AcqBoard.h"
#include "MonitorRecorder.h"
#include "NullAudioSink.h"
#include "PulseAudioSink.h"
#include "WaveOut.h"

namespace {

using namespace velorix;

// Device failures during a measurement are printed, never asked about.
class StderrNotifier : public Notifier {
public:
    Answer Notify(const std::string& text, const std::string& caption, Icon, Buttons) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return Answer::Ok;
    }
};
StderrNotifier gNotes;
using Clock = std::chrono::steady_clock;

struct PrivateDaemon {
    PrivateDaemon() {
        dir = "/tmp/velorix-pulse-bench-" + std::to_string(::getpid());
        ok = std::system((std::string(VELORIX_PULSE_SCRIPT) + " start " + dir).c_str()) == 0;
        if (ok) setenv("PULSE_SERVER", ("unix:" + dir + "/pulse/native").c_str(), 1);
    }
    ~PrivateDaemon() {
        (void)std::system((std::string(VELORIX_PULSE_SCRIPT) + " stop " + dir).c_str());
    }
    std::string dir;
    bool ok = false;
};

PrivateDaemon& Daemon() {
    static PrivateDaemon d;
    return d;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + 1e-6 * (u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

// File playback's part: one block pushed per buffer played, one lock.
class Feeder : public AudioPacer {
public:
    Feeder(CWaveOut& out, int blocks) : out_(out), remaining_(blocks) {}
    void Played(int, double) override {
        std::lock_guard lock(mutex_);
        if (remaining_ > 0) --remaining_, Push();
    }
    void Prime(int n) {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < n && remaining_ > 0; ++i)
            --remaining_, Push();
    }
    void Push() {
        // 1000 Hz repeats every 125 frames at 31 250 Hz: a table keeps the
        // feeder's own cost out of the figures.
        static const auto table = [] {
            std::array<int16_t, 125> t{};
            for (size_t i = 0; i < t.size(); ++i)
                t[i] = static_cast<int16_t>(std::lround(16384 * std::sin(2 * M_PI * i / 31.25)));
            return t;
        }();
        CDspBuffer& b = out_.Buffer();
        auto* f = reinterpret_cast<StereoFrame*>(b.AdvanceWrite(512));
        for (int i = 0; i < 512; ++i, n_ = (n_ + 1) % 125)
            f[i] = {table[n_], table[n_]};
        if (first_ == Clock::time_point{}) first_ = Clock::now();
        out_.BufferFull();
    }
    Clock::time_point First() {
        std::lock_guard lock(mutex_);
        return first_;
    }

private:
    std::mutex mutex_;
    CWaveOut& out_;
    int remaining_;
    long n_ = 0;
    Clock::time_point first_{};
};

// Plays thirty seconds of a tone paced by the output's completions, started
// as file playback starts it: with what the board reads ahead queued behind
// the silent margin at once.
void RunCpu(benchmark::State& state, bool pulse) {
    if (pulse && !Daemon().ok) {
        state.SkipWithError("no PulseAudio daemon");
        return;
    }
    const double seconds = 30.0;
    const int readAhead =
        static_cast<int>(std::ceil(CAcqBoard::kReadAheadSeconds / kAudioBufferSeconds));
    const int blocks = static_cast<int>(seconds / kAudioBufferSeconds);
    double cpu = 0, wall = 0;
    // Something records the sink's monitor, as in use with the virtual cable;
    // an unwatched null sink otherwise sleeps up to 2 s before it plays.
    std::unique_ptr<test::MonitorRecorder> monitor;
    if (pulse) {
        monitor = std::make_unique<test::MonitorRecorder>("vac.monitor");
        monitor->WaitForData();
    }
    double audio = 0;
    for (auto _ : state) {
        std::unique_ptr<AudioSink> sink;
        if (pulse)
            sink = std::make_unique<PulseAudioSink>();
        else
            sink = std::make_unique<NullAudioSink>();
        CWaveOut out(std::move(sink), gNotes);
        if (out.Open("") != 1) {
            state.SkipWithError("open failed");
            return;
        }
        Feeder feeder(out, blocks);
        out.SetPacer(&feeder);
        out.SetPacing(true);
        const double r0 = monitor ? monitor->ReaderCpuSeconds() : 0.0;
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        feeder.Prime(readAhead);
        while (out.PlayedCount() < static_cast<uint64_t>(blocks + 8))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        wall = std::chrono::duration<double>(Clock::now() - t0).count();
        cpu = CpuSeconds() - c0 - ((monitor ? monitor->ReaderCpuSeconds() : 0.0) - r0);
        audio = (blocks + 8) * kAudioBufferSeconds;
        out.SetPacing(false);
        state.SetIterationTime(wall);
        state.counters["dropped"] = static_cast<double>(out.DroppedCount());
    }
    // CPU seconds per second of audio played: the share of one core that
    // playing at 31 250 Hz costs this process (the server's share not included).
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / audio;
    state.counters["cpu_us_per_buffer"] = 1e6 * cpu / (blocks + 8);
    state.counters["audio_s_per_wall_s"] = audio / wall;
}

void BM_WaveOutCpu_PulseAudio(benchmark::State& state) {
    RunCpu(state, true);
}
void BM_WaveOutCpu_NullPeer(benchmark::State& state) {
    RunCpu(state, false);
}

// From the first block handed to CWaveOut (right after Open, so the eight
// silent buffers are in front of it) to its first frame on the monitor, as
// seen by parec with 5 ms fragments (included in the figure).
void BM_WaveOutLatency_PulseAudio(benchmark::State& state) {
    if (!Daemon().ok) {
        state.SkipWithError("no PulseAudio daemon");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        for (int run = 0; run < 7; ++run) {
            test::MonitorRecorder rec("vac.monitor", 5);
            if (!rec.WaitForData()) {
                state.SkipWithError("parec gave no data");
                return;
            }
            CWaveOut out(std::make_unique<PulseAudioSink>(), gNotes);
            if (out.Open("Virtual Audio Cable") != 1) {
                state.SkipWithError("open failed");
                return;
            }
            Feeder feeder(out, 40);
            out.SetPacer(&feeder);
            out.SetPacing(true);
            feeder.Prime(8);
            while (out.PlayedCount() < 48)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            rec.Stop();
            const auto left = rec.Left();
            size_t first = 0;
            while (first < left.size() && std::fabs(left[first]) < 1000)
                ++first;
            if (first == left.size()) continue;
            for (const auto& c : rec.Chunks()) {
                if (c.endFrame > first) {
                    // The loud frame arrived with its chunk; later frames of
                    // the chunk were played after it.
                    const double backS = static_cast<double>(c.endFrame - 1 - first) / 31250.0;
                    ms.push_back(
                        1e3 * (std::chrono::duration<double>(c.arrived - feeder.First()).count() -
                               backS));
                    break;
                }
            }
        }
    }
    if (ms.empty()) {
        state.SkipWithError("the tone never reached the monitor");
        return;
    }
    std::sort(ms.begin(), ms.end());
    state.counters["latency_ms_median"] = ms[ms.size() / 2];
    state.counters["latency_ms_min"] = ms.front();
    state.counters["latency_ms_max"] = ms.back();
    state.counters["silent_margin_ms"] = 8 * kAudioBufferSeconds * 1e3;
}

BENCHMARK(BM_WaveOutCpu_PulseAudio)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveOutCpu_NullPeer)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaveOutLatency_PulseAudio)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
