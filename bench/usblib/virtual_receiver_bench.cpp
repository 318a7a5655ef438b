// Cost of the virtual receiver's sample path: producing the test signal's
// frames, and taking a block through the FIFO as a read does. The figure that
// matters is the share of one core that a 500 kHz stream costs ("core% @500k").
#include <benchmark/benchmark.h>

#include <vector>

#include "SampleFifo.h"
#include "TestToneSource.h"

namespace velorix::sim {
namespace {

constexpr size_t kBlockFrames = 10880;  // the program's block at 500 kHz

void SetCounters(benchmark::State& state, double framesPerIteration) {
    const double frames = double(state.iterations()) * framesPerIteration;
    state.counters["ns/frame"] =
        benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    // Seconds of CPU per second of stream at 500 kHz, in percent:
    // (cpu seconds / frames) * 500000 frames/s * 100.
    state.counters["core%@500k"] = benchmark::Counter(
        frames / 5.0e7, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(frames * SampleSource::kFrameBytes));
}

void BM_TestToneFill(benchmark::State& state) {
    TestToneSource source;
    source.SetRate(500);
    std::vector<uint8_t> block(kBlockFrames * SampleSource::kFrameBytes);
    uint64_t first = 0;
    for (auto _ : state) {
        source.Fill(first, block.data(), kBlockFrames);
        first += kBlockFrames;
        benchmark::DoNotOptimize(block.data());
    }
    SetCounters(state, kBlockFrames);
}
BENCHMARK(BM_TestToneFill);

// What one sample read does: account the produced frames, take a block, fill it.
void BM_FifoTakeAndFill(benchmark::State& state) {
    TestToneSource source;
    source.SetRate(500);
    SampleFifo fifo(500000);
    std::vector<uint8_t> block(kBlockFrames * SampleSource::kFrameBytes);
    uint64_t produced = 0;
    for (auto _ : state) {
        produced += kBlockFrames;
        fifo.ProduceUntil(produced);
        uint8_t* out = block.data();
        fifo.Take(kBlockFrames, [&](uint64_t first, uint64_t count) {
            source.Fill(first, out, size_t(count));
            out += count * SampleSource::kFrameBytes;
        });
        benchmark::DoNotOptimize(block.data());
    }
    SetCounters(state, kBlockFrames);
}
BENCHMARK(BM_FifoTakeAndFill);

}  // namespace
}  // namespace velorix::sim

BENCHMARK_MAIN();
