// The display arithmetic of one painted frame at the window's plot width,
// and one display control operation, with the allocations each makes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "AcqBoard.h"
#include "DisplayGeometry.h"
#include "DisplayTables.h"
#include "DspRecorder.h"
#include "FakeEngine.h"
#include "FakeUsbDevice.h"
#include "MarkerList.h"
#include "ReceiverController.h"
#include "ReceiverStartup.h"
#include "RecordingNotifier.h"
#include "SettingsRecord.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// The replaced operator new takes its memory from malloc, so free gives it
// back; GCC takes the pair for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace velorix {
namespace {

constexpr int kWidth = 820;
constexpr int kHeight = 300;

// Per frame: the visible bins' trace rows, four markers read and formatted,
// and the scale's ticks with their labels, at N = 8192 over 500 kHz.
void BM_DisplayFrame(benchmark::State& state) {
    const int n = 8192;
    DisplayGeometry g(kWidth, kHeight);
    g.Reconfigure(n, 500.0, 14150.0);
    std::vector<double> levels(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        levels[static_cast<std::size_t>(i)] = -110.0 + 30.0 * std::sin(i * 0.01);
    std::vector<int> rows(static_cast<std::size_t>(n), 1000);
    MarkerList markers;
    for (int x : {100, 300, 500, 700})
        markers.Add(x);
    markers.SetDelta(true);

    const long before = g_allocations.load();
    int frame = 0;
    for (auto _ : state) {
        // The view moves a little every frame, as while dragging.
        g.DragScale((frame++ & 1) ? 3 : -3);
        const int first = std::max(g.PixelToBin(0), 0);
        const int last = std::min(g.PixelToBin(kWidth - 1), n - 1);
        g.TraceRows(levels.data(), first, last, -20, 10, -4.0, rows.data() + first);
        markers.Measure(g, levels.data(), rows.data(), -4.0);
        const auto& ticks = g.Scale().Ticks();
        benchmark::DoNotOptimize(ticks.data());
        benchmark::DoNotOptimize(rows.data());
        benchmark::DoNotOptimize(markers.At(3).levelLine);
    }
    state.counters["allocs_per_frame"] = static_cast<double>(g_allocations.load() - before) /
                                         static_cast<double>(state.iterations());
}
BENCHMARK(BM_DisplayFrame);

// One reference-level step (arrow 180 / 181) through the controller, with
// the panel and display-state diffs it answers.
void BM_ControllerStepRefLevel(benchmark::State& state) {
    char dir[] = "/tmp/velorix-bench-XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    // The stored rate's bitstream, for the scripted library to be handed.
    const std::string bitstream = std::string(dir) + "/velorix125k24v11.sbs";
    std::fclose(std::fopen(bitstream.c_str(), "w"));
    setenv("VELORIX_DATA_DIR", dir, 1);
    test::FakeUsbDevice::Reset();
    UsbLibrary lib{test::FakeUsbDevice::Exports()};
    SettingsRecord settings;
    test::RecordingNotifier notes;
    ReceiverStartup startup{lib, settings, notes};
    CAcqBoard board{lib};
    CDspRecorder recorder{&settings, &notes};
    test::FakeEngine engine;
    board.Open(&settings);
    {
        ReceiverController ctl(ControllerWiring{settings, engine, board, lib, startup, recorder,
                                                nullptr, notes, &engine, &engine, nullptr});
        ctl.RestoreAll();
        bool up = true;
        for (auto _ : state) {
            benchmark::DoNotOptimize(ctl.Displays().StepRefLevel(up));
            up = !up;
        }
    }
    board.Stop();
    unsetenv("VELORIX_DATA_DIR");
    unlink(bitstream.c_str());
    rmdir(dir);
}
BENCHMARK(BM_ControllerStepRefLevel);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
