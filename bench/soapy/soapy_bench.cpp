// The SoapySDR module's own cost at 500 kHz CF32 on the virtual receiver:
// the library callback's hand-over into the ring and the conversion, as
// Google Benchmark cases, and two figures from real streaming:
//   cpu_percent   CPU of the thread calling readStream per second of stream
//                 plus the callback's share (ring hand-over and overload scan),
//                 in % of one core;
//   latency_ms    from the library handing a block to the callback until the
//                 reader has it converted (median and 95th percentile).
// The streaming figures are medians over five 2 s runs; on a shared machine
// they move with the load.
#include <benchmark/benchmark.h>

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Formats.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "AcqBoard.h"
#include "BlockRing.h"
#include "ReceiverLink.h"
#include "SampleFrames.h"

namespace {

using namespace velorix;
using namespace velorix::soapy;

constexpr double kRateHz = 500000.0;
const int kBlockBytes = CAcqBoard::BlockBytesForRate(500.0);
const std::size_t kBlockFrames = static_cast<std::size_t>(kBlockBytes) / kFrameBytes;

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void PrepareEnvironment() {
    const auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    setenv("SOAPY_SDR_PLUGIN_PATH", (bin / "SoapySDR/modules0.8").c_str(), 0);
    setenv("VELORIX_DEVICE", "virtual", 0);
}

// The callback's work for one 500 kHz block: overload scan and ring hand-over.
double CallbackSecondsPerBlock() {
    BlockRing ring(4, kBlockBytes);
    std::vector<std::uint8_t> block(kBlockBytes, 0x11);
    constexpr int kRounds = 2000;
    const double start = ThreadCpuSeconds();
    for (int i = 0; i < kRounds; ++i) {
        bool mark = false;
        for (std::size_t at = 0; at < block.size(); at += 1024 * kFrameBytes)
            mark |= OverloadMark(block.data() + at);
        benchmark::DoNotOptimize(mark);
        ring.Push(block.data(), block.size());
        ring.Front();
        ring.Pop();
    }
    return (ThreadCpuSeconds() - start) / kRounds;
}

void BM_CallbackBlock(benchmark::State& state) {
    BlockRing ring(4, kBlockBytes);
    std::vector<std::uint8_t> block(kBlockBytes, 0x11);
    for (auto _ : state) {
        ring.Push(block.data(), block.size());
        benchmark::DoNotOptimize(ring.Front().data);
        ring.Pop();
    }
    state.SetBytesProcessed(state.iterations() * kBlockBytes);
}
BENCHMARK(BM_CallbackBlock);

void BM_DecodeCf32Block(benchmark::State& state) {
    std::vector<std::uint8_t> block(kBlockBytes);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 37);
    std::vector<float> out(2 * kBlockFrames);
    for (auto _ : state) {
        DecodeFrames(block.data(), kBlockFrames, SampleFormat::CF32, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlockFrames);
}
BENCHMARK(BM_DecodeCf32Block);

// readStream through SoapySDR, as a client calls it.
void BM_StreamCf32ThroughSoapy(benchmark::State& state) {
    PrepareEnvironment();
    SoapySDR::Device* dev = SoapySDR::Device::make("driver=velorix");
    dev->setSampleRate(SOAPY_SDR_RX, 0, kRateHz);
    auto* stream = dev->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
    std::vector<float> buffer(2 * dev->getStreamMTU(stream));
    void* buffs[] = {buffer.data()};
    dev->activateStream(stream);
    const double callbackPercent = CallbackSecondsPerBlock() * (kRateHz / kBlockFrames) * 100.0;
    std::vector<double> cpuPercent;
    long overflows = 0;
    for (auto _ : state) {
        for (int run = 0; run < 5; ++run) {
            std::size_t samples = 0;
            const double start = ThreadCpuSeconds();
            while (samples < 2 * kRateHz) {
                int flags = 0;
                long long timeNs = 0;
                const int n = dev->readStream(stream, buffs, buffer.size() / 2, flags, timeNs);
                if (n == SOAPY_SDR_OVERFLOW) ++overflows;
                if (n > 0) samples += static_cast<std::size_t>(n);
            }
            cpuPercent.push_back((ThreadCpuSeconds() - start) / (samples / kRateHz) * 100.0 +
                                 callbackPercent);
        }
    }
    dev->deactivateStream(stream);
    dev->closeStream(stream);
    SoapySDR::Device::unmake(dev);
    state.counters["cpu_percent"] = Median(cpuPercent);
    state.counters["callback_percent"] = callbackPercent;
    state.counters["overflows"] = double(overflows);
}
BENCHMARK(BM_StreamCf32ThroughSoapy)->Iterations(1)->Unit(benchmark::kSecond);

// From the callback's hand-over to a converted block in the reader's hands.
void BM_BlockLatency(benchmark::State& state) {
    PrepareEnvironment();
    ReceiverLink link;
    BlockRing ring(32, kBlockBytes);
    if (!link.Open() || !link.ConfigureRate(2) || !link.StartInput(ring)) {
        state.SkipWithError(link.Error().c_str());
        return;
    }
    std::vector<float> out(2 * kBlockFrames);
    std::vector<double> latencyMs;
    constexpr auto kWait = std::chrono::milliseconds(500);
    for (auto _ : state) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            const auto block = ring.Front();
            if (block.data == nullptr) {
                ring.Wait(ring.Epoch(), true, std::chrono::steady_clock::now() + kWait);
                continue;
            }
            DecodeFrames(block.data, block.bytes / kFrameBytes, SampleFormat::CF32, out.data());
            latencyMs.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - block.arrival)
                                    .count());
            ring.Pop();
        }
    }
    link.StopInput();
    std::sort(latencyMs.begin(), latencyMs.end());
    state.counters["latency_ms"] = Median(latencyMs);
    state.counters["latency_p95_ms"] =
        latencyMs.empty() ? 0.0 : latencyMs[latencyMs.size() * 95 / 100];
    state.counters["blocks"] = double(latencyMs.size());
}
BENCHMARK(BM_BlockLatency)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
