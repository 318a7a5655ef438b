// Cost of synthesising the band: the share of one core that a real-time stream
// of the built-in band costs ("core%" at the stream's own rate), at the default
// centre 14 150 kHz (SSB, CW, RTTY in view) and in the 31 m broadcast band.
// The budget at 500 kHz is 15 %.
#include <benchmark/benchmark.h>

#include <vector>

#include "BandModel.h"
#include "BandSynthesis.h"

namespace velorix::sim {
namespace {

constexpr size_t kBlockFrames = 10880;  // the program's block at 500 kHz

void BM_BandFill(benchmark::State& state) {
    const int rateKHz = int(state.range(0));
    const double centreHz = double(state.range(1));
    BandScenario scenario;
    std::string error;
    if (!LoadBand("", scenario, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    BandModel band(scenario, 1);
    band.SetRate(rateKHz);
    band.SetCentreHz(centreHz);
    std::vector<uint8_t> block(kBlockFrames * SampleSource::kFrameBytes);
    // Programmes are made on first hearing: not part of the steady cost.
    band.Fill(0, block.data(), kBlockFrames);
    int active = 0;
    for (const StationDef& s : scenario.stations)
        active += std::abs(s.freqHz - centreHz) < 0.5 * rateKHz * 1000.0;
    for (auto _ : state) {
        band.Fill(0, block.data(), kBlockFrames);
        benchmark::DoNotOptimize(block.data());
    }
    const double frames = double(state.iterations()) * kBlockFrames;
    state.counters["ns/frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // CPU seconds per second of stream, in percent.
    state.counters["core%"] =
        benchmark::Counter(frames / (rateKHz * 1000.0) / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["stations"] = active;
}
BENCHMARK(BM_BandFill)
    ->Args({125, 14150000})
    ->Args({250, 14150000})
    ->Args({500, 14150000})
    ->Args({500, 9600000})
    ->Args({500, 7100000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velorix::sim
BENCHMARK_MAIN();
