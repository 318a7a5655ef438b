// Cost of the block framework: 1024-sample blocks pushed through a chain of
// eight pass-through blocks, against plain memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "DspDummy.h"

namespace velorix {
namespace {

constexpr int kBlock = 1024;
constexpr int kStages = 8;

// A chain head whose buffer already holds a block, as when the acquisition
// board has converted one: Push only delivers it, so the chain makes exactly
// eight copies, as many as the memcpy baseline.
class Head : public CDspDummy {
public:
    explicit Head(const std::vector<Cpx>& block) : CDspDummy(kBlock) {
        std::memcpy(buffer->Main(), block.data(), kBlock * sizeof(Cpx));
    }
    void Push() {
        buffer->AdvanceWrite(kBlock);
        BufferFull();
    }
};

class Sink : public CDspConsumer {
public:
    Sink() : CDspConsumer(kDspTypeComplex, kBlock, 0) {}
    void BufferFull() override {
        benchmark::DoNotOptimize(buffer->Main());
        buffer->Commit();
    }
    std::string& GetName(std::string& name) override { return name = "Sink"; }
};

void SetCounters(benchmark::State& state) {
    const double perSampleBlock = double(state.iterations()) * kBlock * kStages;
    state.counters["ns/sample/block"] = benchmark::Counter(
        perSampleBlock, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(state.iterations()) * kBlock * kStages * sizeof(Cpx));
}

void BM_ChainOfEightDummies(benchmark::State& state) {
    std::vector<Cpx> input(kBlock, Cpx(0.5, -0.25));
    Head head(input);
    std::vector<std::unique_ptr<CDspDummy>> stages;
    CDspProducer* last = &head;
    for (int i = 1; i < kStages; ++i) {  // the head is the first of the eight copies
        stages.push_back(std::make_unique<CDspDummy>(kBlock));
        last->Connect(stages.back().get());
        last = stages.back().get();
    }
    Sink sink;
    last->Connect(&sink);
    for (auto _ : state)
        head.Push();
    SetCounters(state);
}
BENCHMARK(BM_ChainOfEightDummies);

void BM_MemcpyEightTimes(benchmark::State& state) {
    std::vector<std::vector<Cpx>> bufs(kStages + 1, std::vector<Cpx>(kBlock, Cpx(0.5, -0.25)));
    for (auto _ : state) {
        for (int i = 0; i < kStages; ++i) {
            std::memcpy(bufs[i + 1].data(), bufs[i].data(), kBlock * sizeof(Cpx));
            benchmark::ClobberMemory();
        }
    }
    SetCounters(state);
}
BENCHMARK(BM_MemcpyEightTimes);

}  // namespace
}  // namespace velorix

BENCHMARK_MAIN();
