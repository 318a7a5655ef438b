// The spectrum estimator per frame, N = 1024 ... 65536: the transform alone
// and the whole frame (window, transform, power, average, dB, half swap).
// When FFTW is present at build time, the same transform and the same frame
// built on it (double precision, FFTW_MEASURE) run as the peer; the program
// itself never uses FFTW.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "DspMath.h"
#include "SpectrumEstimator.h"

#ifdef VELORIX_BENCH_HAVE_FFTW
#include <fftw3.h>
#endif

namespace velorix {
namespace {

std::vector<Cpx> Noise(unsigned n) {
    std::mt19937_64 rng(1);
    std::normal_distribution<double> g(0.0, 0.1);
    std::vector<Cpx> v(n);
    for (auto& z : v)
        z = Cpx(g(rng), g(rng));
    return v;
}

// Seconds per frame (u = microseconds).
void PerFrame(benchmark::State& state) {
    state.counters["s/frame"] = benchmark::Counter(
        1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Transform(benchmark::State& state) {
    const unsigned n = unsigned(state.range(0));
    auto x = Noise(n);
    CSpectrumEstimator est(0);
    est.SetSize(n, x.data());
    for (auto _ : state)
        benchmark::DoNotOptimize(est.ComplexFft());
    PerFrame(state);
}

void BM_Frame(benchmark::State& state) {
    const unsigned n = unsigned(state.range(0));
    auto x = Noise(n);
    CSpectrumEstimator est(0);
    est.SetAveraging(0.5);
    est.SetSize(n, x.data());
    for (auto _ : state) {
        est.ComplexFft();
        est.ToDb();
        benchmark::DoNotOptimize(est.SwapHalves());
    }
    PerFrame(state);
}

// The dB conversion alone: the vectorised logarithm against glibc's log10.
void BM_PowerToDbFast(benchmark::State& state) {
    std::vector<double> p(size_t(state.range(0))), db(p.size());
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = 1e-6 * (i + 1);
    for (auto _ : state) {
        PowerToDbArray(db.data(), p.data(), int(p.size()));
        benchmark::DoNotOptimize(db.data());
    }
    PerFrame(state);
}

void BM_PowerToDbLibm(benchmark::State& state) {
    std::vector<double> p(size_t(state.range(0))), db(p.size());
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = 1e-6 * (i + 1);
    for (auto _ : state) {
        for (size_t i = 0; i < p.size(); ++i)
            db[i] = PowerToDb(p[i]);
        benchmark::DoNotOptimize(db.data());
    }
    PerFrame(state);
}

#ifdef VELORIX_BENCH_HAVE_FFTW
struct FftwFrame {
    explicit FftwFrame(unsigned n)
        : n(n),
          in(fftw_alloc_complex(n)),
          out(fftw_alloc_complex(n)),
          window(n),
          avg(n, 1e-30),
          db(n),
          x(Noise(n)) {
        plan = fftw_plan_dft_1d(int(n), in, out, FFTW_FORWARD, FFTW_MEASURE);
        for (unsigned k = 0; k < n; ++k)
            window[k] = (0.5 - 0.5 * std::cos(kTwoPi * (k + 1.0) / (n + 1.0))) / n;
    }
    ~FftwFrame() {
        fftw_destroy_plan(plan);
        fftw_free(in);
        fftw_free(out);
    }
    void Window() {
        for (unsigned i = 0; i < n; ++i) {
            in[i][0] = x[i].real() * window[i];
            in[i][1] = x[i].imag() * window[i];
        }
    }
    template <bool kFastDb>
    void Rest() {
        const double a = 0.5, b = 0.5;
        for (unsigned i = 0; i < n; ++i)
            avg[i] = a * avg[i] + b * (out[i][0] * out[i][0] + out[i][1] * out[i][1]);
        if constexpr (kFastDb) {
            PowerToDbArray(db.data(), avg.data(), int(n));
        } else {
            for (unsigned i = 0; i < n; ++i)
                db[i] = 10.0 * std::log10(avg[i] + 1e-200);
        }
        std::swap_ranges(db.begin(), db.begin() + n / 2, db.begin() + n / 2);
    }
    unsigned n;
    fftw_complex* in;
    fftw_complex* out;
    fftw_plan plan;
    std::vector<double> window, avg, db;
    std::vector<Cpx> x;
};

void BM_FftwTransform(benchmark::State& state) {
    FftwFrame f(unsigned(state.range(0)));
    f.Window();
    for (auto _ : state) {
        fftw_execute(f.plan);
        benchmark::DoNotOptimize(f.out);
    }
    PerFrame(state);
}

// The peer frame with our vectorised dB (the fair comparison) ...
void BM_FftwFrame(benchmark::State& state) {
    FftwFrame f(unsigned(state.range(0)));
    for (auto _ : state) {
        f.Window();
        fftw_execute(f.plan);
        f.Rest<true>();
        benchmark::DoNotOptimize(f.db.data());
    }
    PerFrame(state);
}

// ... and with glibc's log10, as a plain FFTW program would have it.
void BM_FftwFrameLibmDb(benchmark::State& state) {
    FftwFrame f(unsigned(state.range(0)));
    for (auto _ : state) {
        f.Window();
        fftw_execute(f.plan);
        f.Rest<false>();
        benchmark::DoNotOptimize(f.db.data());
    }
    PerFrame(state);
}

BENCHMARK(BM_FftwTransform)->RangeMultiplier(2)->Range(1024, 65536);
BENCHMARK(BM_FftwFrame)->RangeMultiplier(2)->Range(1024, 65536);
BENCHMARK(BM_FftwFrameLibmDb)->Arg(65536);
#endif

BENCHMARK(BM_Transform)->RangeMultiplier(2)->Range(1024, 65536);
BENCHMARK(BM_Frame)->RangeMultiplier(2)->Range(1024, 65536);
BENCHMARK(BM_PowerToDbFast)->Arg(65536);
BENCHMARK(BM_PowerToDbLibm)->Arg(65536);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
