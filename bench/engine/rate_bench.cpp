// Cost of the rate changers: each half-band decimator and interpolator alone
// (ns per input sample, Process fed from plain arrays) and the decimation
// cascade from 500 kHz down to 7.8125 kHz (six half-band stages, complex
// double) as the chain runs it, in million input samples per second.
// With liquid-dsp installed, the same cascade built from its half-band
// resampler (single precision) runs beside it for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "DspHBFDecimCpx.h"
#include "DspHBFinterpCpx.h"
#include "DspNoiseBlanker.h"
#include "DspTabFreqShift.h"
#include "FirKernels.h"
#include "HalfBandCoefficients.h"

#ifdef VELORIX_HAVE_LIQUID
#include <liquid/liquid.h>
#endif

namespace velorix {
namespace {

constexpr int kCascadeBlock = 4096;  // input samples per push at 500 kHz

std::vector<Cpx> Noise(size_t n) {
    std::mt19937 rng(7);
    std::normal_distribution<double> g(0.0, 0.3);
    std::vector<Cpx> v(n);
    for (auto& x : v)
        x = Cpx(g(rng), g(rng));
    return v;
}

void PerInputSample(benchmark::State& state, double samplesPerIteration) {
    const double samples = double(state.iterations()) * samplesPerIteration;
    state.counters["ns/sample"] =
        benchmark::Counter(samples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["MS/s"] = benchmark::Counter(samples / 1e6, benchmark::Counter::kIsRate);
}

struct HalfBandSet {
    int length;
    const double* taps;
};

HalfBandSet Set(int index) {
    switch (index) {
        case 0:
            return {kH7Length, H7a};
        case 1:
            return {kH11Length, H11a};
        case 2:
            return {kH15Length, H15};
        case 3:
            return {kH23Length, H23};
        default:
            return {kH79Length, H79};
    }
}

void BM_HBFDecim(benchmark::State& state) {
    const HalfBandSet s = Set(int(state.range(0)));
    constexpr int kOut = 1024;
    CDspHBFDecimCpx block(kOut, s.length, s.taps);
    const std::vector<Cpx> in = Noise(2 * kOut + s.length);
    std::vector<Cpx> out(kOut);
    for (auto _ : state) {
        block.Process(out.data(), in.data(), kOut);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel("N=" + std::to_string(s.length));
    PerInputSample(state, 2.0 * kOut);
}
BENCHMARK(BM_HBFDecim)->DenseRange(0, 4);

void BM_HBFinterp(benchmark::State& state) {
    const HalfBandSet s = Set(int(state.range(0)));
    constexpr int kIn = 1024;
    CDspHBFinterpCpx block(kIn, s.length, s.taps);
    const std::vector<Cpx> in = Noise(kIn + s.length);
    std::vector<Cpx> out(2 * kIn);
    for (auto _ : state) {
        block.Process(out.data(), in.data(), 2 * kIn);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel("N=" + std::to_string(s.length));
    PerInputSample(state, kIn);
}
BENCHMARK(BM_HBFinterp)->DenseRange(0, 4);

// The decimation kernel in each compiled variant, H7 and H79 (2048 inputs):
// what the run-time dispatch to AVX2/FMA gains over the x86-64 baseline.
void BM_HalfBandKernelVariant(benchmark::State& state) {
    const bool avx2 = state.range(0) != 0;
    if (avx2 && !kernels::UseAvx2()) {
        state.SkipWithError("no AVX2/FMA on this processor");
        return;
    }
    const HalfBandSet s = Set(state.range(1) ? 4 : 0);
    const int m = (s.length + 1) / 4;
    constexpr int kOut = 1024;
    const std::vector<Cpx> in = Noise(2 * kOut + s.length);
    std::vector<Cpx> out(kOut), even(256 + 2 * m), odd(256 + 2 * m);
    std::vector<double> outer(2 * m);
    auto kernel = avx2 ? kernels::HalfBandDecimateAvx2 : kernels::HalfBandDecimateBaseline;
    for (auto _ : state) {
        kernel(s.taps, m, in.data(), out.data(), kOut, outer.data(), even.data(), odd.data(), 256);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(avx2 ? "avx2" : "baseline") + " N=" + std::to_string(s.length));
    PerInputSample(state, 2.0 * kOut);
}
BENCHMARK(BM_HalfBandKernelVariant)->ArgsProduct({{0, 1}, {0, 1}});

class Sink : public CDspConsumer {
public:
    explicit Sink(int capacity) : CDspConsumer(kDspTypeComplex, capacity, 0) {}
    void BufferFull() override {
        benchmark::DoNotOptimize(buffer->Main());
        buffer->Commit();
    }
    std::string& GetName(std::string& name) override { return name = "Sink"; }
};

// Decimators 3 … 8 of the receive chain: the path from 500 kHz to 7.8125 kHz.
struct Cascade {
    Cascade() {
        const struct {
            int outputs, length;
            const double* taps;
        } stages[] = {{2048, kH7Length, H7c}, {1024, kH11Length, H11a}, {512, kH11Length, H11b},
                      {256, kH15Length, H15}, {128, kH23Length, H23},   {64, kH79Length, H79}};
        for (const auto& st : stages) {
            blocks.push_back(std::make_unique<CDspHBFDecimCpx>(st.outputs, st.length, st.taps));
            if (blocks.size() > 1) blocks[blocks.size() - 2]->Connect(blocks.back().get());
        }
        blocks.back()->Connect(&sink);
        blocks.front()->SetRate(500.0);
    }
    // Writes one block of input as the upstream would and lets the chain run.
    void Push(const Cpx* samples) {
        CDspBuffer& b = blocks.front()->Buffer();
        std::memcpy(b.AdvanceWrite(kCascadeBlock), samples, kCascadeBlock * sizeof(Cpx));
        blocks.front()->BufferFull();
    }
    std::vector<std::unique_ptr<CDspHBFDecimCpx>> blocks;
    Sink sink{64};
};

void BM_DecimationCascade500kTo7k8(benchmark::State& state) {
    Cascade cascade;
    const std::vector<Cpx> in = Noise(kCascadeBlock * 16);
    size_t block = 0;
    for (auto _ : state) {
        cascade.Push(in.data() + kCascadeBlock * block);
        block = (block + 1) % 16;
    }
    PerInputSample(state, kCascadeBlock);
}
BENCHMARK(BM_DecimationCascade500kTo7k8);

// The receive path's full-rate front: 1024-sample blocks through the noise
// blanker (on) and the table shifter into the same cascade, as the
// acquisition worker runs it (without the display's copy).
void BM_BlankerShifterCascade500kTo7k8(benchmark::State& state) {
    static std::vector<double> cosTable, sinTable;
    if (cosTable.empty()) {
        for (int k = 0; k < 65536; ++k) {
            cosTable.push_back(std::cos(k * 2 * M_PI / 65536));
            sinTable.push_back(std::sin(k * 2 * M_PI / 65536));
        }
    }
    CDspNoiseBlanker blanker;
    blanker.SetThreshold(-130);
    blanker.SetEnabled(1);
    CDspTabFreqShift shifter(1024, cosTable.data(), sinTable.data(), 65536, 0);
    Cascade cascade;
    blanker.Connect(&shifter);
    shifter.Connect(cascade.blocks.front().get());
    blanker.SetRate(500.0);
    shifter.SetTuneOffset(-123456.0);
    const std::vector<Cpx> in = Noise(1024 * 16);
    size_t block = 0;
    for (auto _ : state) {
        CDspBuffer& b = blanker.Buffer();
        std::memcpy(b.AdvanceWrite(1024), in.data() + 1024 * block, 1024 * sizeof(Cpx));
        blanker.BufferFull();
        block = (block + 1) % 16;
    }
    PerInputSample(state, 1024);
}
BENCHMARK(BM_BlankerShifterCascade500kTo7k8);

#ifdef VELORIX_HAVE_LIQUID
// The same six halvings with liquid-dsp's half-band resampler in single
// precision; semi-lengths as ours (its filters have 4m + 1 taps, two more).
void BM_LiquidCascade500kTo7k8(benchmark::State& state) {
    const unsigned semi[] = {2, 3, 3, 4, 6, 20};
    std::vector<resamp2_crcf> stages;
    for (unsigned m : semi)
        stages.push_back(resamp2_crcf_create(m, 0.0f, 80.0f));
    const std::vector<Cpx> noise = Noise(kCascadeBlock * 16);
    std::vector<std::complex<float>> in(noise.size());
    for (size_t i = 0; i < noise.size(); ++i)
        in[i] = std::complex<float>(float(noise[i].real()), float(noise[i].imag()));
    std::vector<std::complex<float>> a(kCascadeBlock), b(kCascadeBlock);
    size_t block = 0;
    for (auto _ : state) {
        const std::complex<float>* x = in.data() + kCascadeBlock * block;
        int n = kCascadeBlock;
        std::complex<float>* y = a.data();
        for (resamp2_crcf q : stages) {
            for (int i = 0; i < n / 2; ++i)
                resamp2_crcf_decim_execute(q, const_cast<std::complex<float>*>(x) + 2 * i, y + i);
            n /= 2;
            x = y;
            y = (y == a.data()) ? b.data() : a.data();
        }
        benchmark::DoNotOptimize(x);
        block = (block + 1) % 16;
    }
    for (resamp2_crcf q : stages)
        resamp2_crcf_destroy(q);
    PerInputSample(state, kCascadeBlock);
}
BENCHMARK(BM_LiquidCascade500kTo7k8);
#endif

}  // namespace
}  // namespace velorix
BENCHMARK_MAIN();
