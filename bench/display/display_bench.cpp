// One frame of each display: the renderers fed one block on the calling
// thread, the S-meter's face, and the paint's blit of a finished frame.
// With VELORIX_BENCH_PICTURES=DIR set, the frames timed are written there.
#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <string>
#include <vector>

#include "SMeterPainter.h"
#include "SecondaryDisplayModel.h"
#include "SpectrumRenderer.h"

namespace velorix {
namespace {

constexpr int kW = 820;
constexpr int kH = 249;

// A noise floor with a few tones, so the trace runs up and down; made once
// per size, four blocks, so the loops time only the copy into the buffer.
const std::vector<std::complex<double>>& Block(int n, unsigned seed) {
    static std::vector<std::vector<std::complex<double>>> blocks;
    seed %= 4;
    if (blocks.size() < 4 || static_cast<int>(blocks[seed].size()) != n) {
        blocks.assign(4, {});
        unsigned state = 1;
        for (auto& b : blocks) {
            b.resize(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                state = state * 1664525u + 1013904223u;
                const double noise = 1e-4 * ((state >> 8) / 16777216.0 - 0.5);
                b[static_cast<size_t>(i)] =
                    noise + 0.05 * std::polar(1.0, 0.3 * i) + 0.01 * std::polar(1.0, -1.1 * i);
            }
        }
    }
    return blocks[seed];
}

void Fill(SpectrumRenderer& r, unsigned seed) {
    const int n = r.FftSize();
    const auto& block = Block(n, seed);
    std::copy(block.begin(), block.end(),
              reinterpret_cast<std::complex<double>*>(r.Buffer().WritePos()));
    r.Buffer().AdvanceWrite(n);
}

void Save(const QImage& image, const char* name) {
    if (const char* dir = std::getenv("VELORIX_BENCH_PICTURES"))
        image.save(QString("%1/%2.png").arg(dir, name));
}

// The renderer drawing `bins` at 500 kHz; its first block (not timed) brings
// the FFT size.
void Configure(SpectrumRenderer& r, int bins, int function, std::vector<int> markerXs = {}) {
    auto v = std::make_shared<DisplayState>();
    v->geometry = DisplayGeometry(r.Frames().Back().width(), r.Frames().Back().height());
    v->geometry.Reconfigure(bins, 500.0, 14150.0);
    v->function = function;
    v->refLevelDb = -20;
    v->tunedX = 400;
    v->band = {400, 420};
    v->averaging = 0.5;
    v->markerXs = std::move(markerXs);
    r.Show(v);
    Fill(r, 0);
    r.BufferFull();
    r.SetReady();
}

// The whole frame: transform, trace rows, markers and drawing. The block's
// arrival in the buffer is the feeding thread's work and is not timed (at
// N = 65536 it is a 1 MB copy).
void MainFrame(benchmark::State& state) {
    SpectrumRenderer r(kW, kH);
    Configure(r, static_cast<int>(state.range(0)), 0, {300});
    unsigned seed = 1;
    for (auto _ : state) {
        state.PauseTiming();
        Fill(r, ++seed);
        state.ResumeTiming();
        r.BufferFull();
        r.SetReady();
    }
    Save(r.Frames().FrontCopy(), "main");
}
BENCHMARK(MainFrame)->Arg(4096)->Arg(65536)->Unit(benchmark::kMicrosecond);

// The block's arrival alone, as MainFrame used to time it.
void BlockArrival(benchmark::State& state) {
    SpectrumRenderer r(kW, kH);
    Configure(r, static_cast<int>(state.range(0)), 0);
    unsigned seed = 1;
    for (auto _ : state) {
        Fill(r, ++seed);
        r.Buffer().Commit();
    }
}
BENCHMARK(BlockArrival)->Arg(4096)->Arg(65536)->Unit(benchmark::kMicrosecond);

// The transform alone (window, FFT, power, average, dB, half swap), to
// subtract from MainFrame; on the same signal, since the level conversion's
// cost depends on the levels (a constant input gives zero power in all bins
// but one).
void Transform(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<std::complex<double>> in = Block(n, 1);
    CSpectrumEstimator estimator(0);
    estimator.SetSize(static_cast<unsigned>(n), in.data());
    estimator.SetAveraging(0.5);
    for (auto _ : state) {
        estimator.ComplexFft();
        estimator.ToDb();
        benchmark::DoNotOptimize(estimator.SwapHalves());
    }
}
BENCHMARK(Transform)->Arg(4096)->Arg(65536)->Unit(benchmark::kMicrosecond);

// Drawing only: the last spectrum again, with a marker (the frame less its
// transform, whatever N), at 1 or 2 device pixels per window pixel.
void MainRender(benchmark::State& state) {
    SpectrumRenderer r(kW, kH);
    r.Frames().RequestRatio(static_cast<double>(state.range(1)));
    Configure(r, static_cast<int>(state.range(0)), 0, {300});
    Fill(r, 1);
    r.BufferFull();
    for (auto _ : state)
        r.Render();
}
BENCHMARK(MainRender)
    ->Args({4096, 1})
    ->Args({65536, 1})
    ->Args({4096, 2})
    ->Unit(benchmark::kMicrosecond);

void WaterfallFrame(benchmark::State& state) {
    SpectrumRenderer r(kW, kH);
    r.Frames().RequestRatio(static_cast<double>(state.range(0)));
    Configure(r, 4096, 1);
    unsigned seed = 1;
    for (auto _ : state) {
        Fill(r, ++seed);
        r.BufferFull();
    }
    Save(r.Frames().FrontCopy(), "waterfall");
}
BENCHMARK(WaterfallFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void SecondaryFrame(benchmark::State& state) {
    constexpr int kSecW = 410, kSecH = 120;
    auto v = std::make_shared<DisplayState>();
    v->geometry = DisplayGeometry(kSecW, kSecH);
    v->geometry.Reconfigure(SecondaryDisplayModel::kBins, 7812.5, 1500.0);
    v->refLevelDb = -20;
    v->tunedX = v->geometry.KHzToPixel(0.0);
    v->band = {179, 269};
    SpectrumRenderer r(kSecW, kSecH);
    r.Show(v);
    Fill(r, 0);
    r.BufferFull();  // brings the FFT size
    unsigned seed = 1;
    for (auto _ : state) {
        Fill(r, ++seed);
        r.BufferFull();
    }
    Save(r.Frames().FrontCopy(), "secondary");
}
BENCHMARK(SecondaryFrame)->Unit(benchmark::kMicrosecond);

void SMeterPaint(benchmark::State& state) {
    const SMeterPainter painter(310);
    QImage image(310, SMeterPainter::kHeight, QImage::Format_RGB32);
    int tenths = -900;
    for (auto _ : state) {
        QPainter p(&image);
        painter.Paint(p, {tenths, tenths % 20 == 0, true});
        tenths = tenths > -200 ? -900 : tenths + 7;
    }
    Save(painter.Render({-650, true, true}), "smeter");
}
BENCHMARK(SMeterPaint)->Unit(benchmark::kMicrosecond);

// The plot's paint: the front image copied to the widget's surface, whole
// (Arg 0: an exposed window) or the rows the frame changed (Arg 1: a new
// frame over the same background, as the frame timer asks).
void Blit(benchmark::State& state) {
    const bool changedOnly = state.range(0) == 1;
    SpectrumRenderer r(kW, kH);
    Configure(r, 4096, 0);
    QImage surface(kW, kH, QImage::Format_RGB32);
    unsigned seed = 1;
    std::int64_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Fill(r, ++seed);
        r.BufferFull();
        state.ResumeTiming();
        RowSpan changed;
        r.Frames().TakePending(changed);
        const QRect rect = changedOnly ? QRect(0, changed.top, kW, changed.bottom - changed.top + 1)
                                       : QRect(0, 0, kW, kH);
        rows += rect.height();
        QPainter p(&surface);
        r.Frames().WithFront(
            [&p, &rect](const QImage& front) { p.drawImage(rect.topLeft(), front, rect); });
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / state.iterations());
}
BENCHMARK(Blit)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What a mouse move over the plot costs the widget: the cursor line's old
// and new columns copied from the front image, marked and drawn; no frame.
void PointerMove(benchmark::State& state) {
    SpectrumRenderer r(kW, kH);
    Configure(r, 4096, 0);
    Fill(r, 1);
    r.BufferFull();
    QImage surface(kW, kH, QImage::Format_RGB32);
    int x = 100;
    for (auto _ : state) {
        PointerMarks marks;
        marks.cursorX = x;
        marks.overTrace = true;
        QPainter p(&surface);
        r.Frames().WithFront([&](const QImage& front) {
            for (const int column : {x - 1, x}) {
                QImage copy = front.copy(column, 0, 1, kH);
                DrawPointerMarks(copy, column, marks);
                p.drawImage(column, 0, copy);
            }
        });
        x = x < 700 ? x + 1 : 100;
    }
}
BENCHMARK(PointerMove)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velorix

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
