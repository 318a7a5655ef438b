// Cost of each signal block of the receive path in ns per input sample,
// Process fed from plain arrays at the block sizes the chain uses.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "DspDecimCpx.h"
#include "DspFirCpxReal.h"
#include "DspFreqShift.h"
#include "DspIirCpxReal.h"
#include "DspKaiserBPFFir.h"
#include "DspKaiserLPFFir.h"
#include "DspNoiseBlanker.h"
#include "DspTabFreqShift.h"
#include "FixedFilterCoefficients.h"
#include "HalfBandCoefficients.h"

namespace velorix {
namespace {

std::vector<Cpx> Noise(size_t n) {
    std::mt19937 rng(3);
    std::normal_distribution<double> g(0.0, 0.3);
    std::vector<Cpx> v(n);
    for (auto& x : v)
        x = Cpx(g(rng), g(rng));
    return v;
}

void PerInputSample(benchmark::State& state, double samplesPerIteration) {
    state.counters["ns/sample"] =
        benchmark::Counter(double(state.iterations()) * samplesPerIteration,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Runs `block` over `count` outputs from an input of `count`·inPerOut plus its history.
template <typename Block>
void RunProcess(benchmark::State& state, Block& block, int count, int inPerOut = 1) {
    std::vector<Cpx> in = Noise(size_t(count) * inPerOut + block.Buffer().History() + 8);
    std::vector<Cpx> out(count);
    for (auto _ : state) {
        block.Process(out.data(), in.data(), count);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    PerInputSample(state, double(count) * inPerOut);
}

struct Tables {
    Tables() : cosTable(65536), sinTable(65536) {
        for (int k = 0; k < 65536; ++k) {
            cosTable[k] = std::cos(k * 2 * std::numbers::pi / 65536);
            sinTable[k] = std::sin(k * 2 * std::numbers::pi / 65536);
        }
    }
    std::vector<double> cosTable, sinTable;
};

void BM_FreqShift(benchmark::State& state) {
    CDspFreqShift block(1024, 0);
    block.SetRate(500.0);
    block.SetTuneOffset(-12345.0);
    RunProcess(state, block, 1024);
}
BENCHMARK(BM_FreqShift);

void BM_TabFreqShift(benchmark::State& state) {
    static const Tables tables;
    CDspTabFreqShift block(1024, tables.cosTable.data(), tables.sinTable.data(), 65536,
                           int(state.range(0)));
    block.SetRate(500.0);
    block.SetTuneOffset(state.range(1));
    RunProcess(state, block, 1024);
    state.SetLabel(state.range(0) ? "real output" : "complex output");
}
BENCHMARK(BM_TabFreqShift)->ArgsProduct({{0, 1}, {10, -12345, 123457}});

void BM_NoiseBlanker(benchmark::State& state) {
    CDspNoiseBlanker block;
    block.SetThreshold(-130);
    block.SetEnabled(int(state.range(0)));
    RunProcess(state, block, 1024);
    state.SetLabel(state.range(0) ? "on" : "off");
}
BENCHMARK(BM_NoiseBlanker)->Arg(0)->Arg(1);

void BM_KaiserBPFFir(benchmark::State& state) {
    CDspKaiserBPFFir block(64, 64, state.range(0) ? 0.05 : -0.3072, state.range(0) ? 0.2 : 0.3072,
                           13.0);
    RunProcess(state, block, 64);
    state.SetLabel(state.range(0) ? "band [0.05, 0.2]" : "band [-0.3072, 0.3072]");
}
BENCHMARK(BM_KaiserBPFFir)->Arg(0)->Arg(1);

void BM_KaiserLPFFir(benchmark::State& state) {
    CDspKaiserLPFFir block(64, 64, 0.6, 8.0);
    RunProcess(state, block, 64);
}
BENCHMARK(BM_KaiserLPFFir);

void BM_KaiserBPFRedesign(benchmark::State& state) {
    CDspKaiserBPFFir block(64, 64, -0.3072, 0.3072, 13.0);
    double upper = 0.1;
    for (auto _ : state) {
        block.SetBand(0.01, upper);
        upper = upper > 0.4 ? 0.1 : upper + 0.001;
    }
    state.SetLabel("one redesign per iteration");
}
BENCHMARK(BM_KaiserBPFRedesign);

void BM_FirCpxReal24(benchmark::State& state) {
    CDspFirCpxReal block(128, kLowPass24Taps, kLowPass24);
    RunProcess(state, block, 128);
}
BENCHMARK(BM_FirCpxReal24);

void BM_IirCpxReal(benchmark::State& state) {
    CDspIirCpxReal block(64, kIirFeedForwardCount, kIirFeedbackCount, kIirFeedForward,
                         kIirFeedback);
    RunProcess(state, block, 64);
}
BENCHMARK(BM_IirCpxReal);

void BM_DecimCpxGeneral(benchmark::State& state) {
    // The general decimator by 2 with the full 23 taps, zeros included, for
    // comparison with the half-band form in bench_rate.
    static std::vector<double> full;
    if (full.empty()) {
        full.assign(kH23Length, 0.0);
        for (int j = 0; j < 6; ++j) {
            full[2 * j] = H23[j];
            full[12 + 2 * j] = H23[7 + j];
        }
        full[11] = 0.5;
    }
    CDspDecimCpx block(2, 1024, kH23Length, full.data());
    RunProcess(state, block, 1024, 2);
}
BENCHMARK(BM_DecimCpxGeneral);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
