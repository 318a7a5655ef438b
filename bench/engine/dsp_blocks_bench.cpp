// Per-sample cost of the demodulator (each mode family), the LMS noise
// reduction, the AGC and the volume block, each fed blocks of its engine
// capacity through Process. "s/sample" is seconds per sample (n = ns);
// "%core@31k25" is the share of one core the block needs at the 31.25 kHz
// audio rate (from wall time, so it includes any preemption on a busy machine).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "DspAgcCtl.h"
#include "DspDemodulator.h"
#include "DspLMSNoiseRed.h"
#include "DspVolumeCtl.h"

namespace velorix {
namespace {

std::vector<Cpx> Signal(size_t n) {
    std::mt19937_64 rng(3);
    std::normal_distribution<double> g(0.0, 0.01);
    std::vector<Cpx> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = std::polar(0.1, 0.01 * i) + Cpx(g(rng), g(rng));
    return v;
}

void Counters(benchmark::State& state, int samplesPerIteration, double elapsedSeconds) {
    state.counters["s/sample"] =
        benchmark::Counter(samplesPerIteration, benchmark::Counter::kIsIterationInvariantRate |
                                                    benchmark::Counter::kInvert);
    // Wall time per sample times 31 250 samples per second, in percent.
    const double perSample = elapsedSeconds / (double(state.iterations()) * samplesPerIteration);
    state.counters["%core@31k25"] = perSample * 31250.0 * 100.0;
}

// Runs `block`'s Process over `count` fresh samples (plus history) per iteration.
template <typename Block>
void RunBlock(benchmark::State& state, Block& block, int count, int history, size_t outSize) {
    const auto in = Signal(static_cast<size_t>(count + history));
    std::vector<unsigned char> out(outSize);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        block.Process(out.data(), in.data(), count);
        benchmark::DoNotOptimize(out.data());
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    Counters(state, count, elapsed.count());
}

void BM_Demodulator(benchmark::State& state) {
    CFmSquelch squelch;
    CDspDemodulator demod(128, &squelch);
    demod.SetRate(7.8125);
    demod.SetMode(static_cast<int>(state.range(0)));
    RunBlock(state, demod, 128, 0, 128 * sizeof(Cpx));
}
BENCHMARK(BM_Demodulator)
    ->ArgName("mode")
    ->Arg(kDemodAm)
    ->Arg(kDemodSam)
    ->Arg(kDemodFm)
    ->Arg(kDemodUsb);

void BM_LMSNoiseRed(benchmark::State& state) {
    CDspLMSNoiseRed lms(512, 64, 20, 0.01);
    RunBlock(state, lms, 512, 64 + 20 - 1, 512 * sizeof(Cpx));
}
BENCHMARK(BM_LMSNoiseRed);

void BM_AgcCtl(benchmark::State& state) {
    CDspAgcCtl agc(64);
    agc.SetRate(31.25);
    agc.SetMode(static_cast<int>(state.range(0)));
    RunBlock(state, agc, 64, 0, 64 * sizeof(Cpx));
}
BENCHMARK(BM_AgcCtl)->ArgName("mode")->Arg(0)->Arg(3);

void BM_VolumeCtl(benchmark::State& state) {
    CDspVolumeCtl vol(512);
    vol.SetLevel(-10.0);
    RunBlock(state, vol, 512, 0, 512 * sizeof(StereoFrame));
}
BENCHMARK(BM_VolumeCtl);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
