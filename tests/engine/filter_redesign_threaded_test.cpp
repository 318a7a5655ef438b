#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "DspKaiserBPFFir.h"
#include "DspKaiserLPFFir.h"
#include "DspLock.h"
#include "DspNoiseBlanker.h"
#include "DspTabFreqShift.h"
#include "ShiftTables.h"
#include "TestBlocks.h"
#include "TestEnv.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

// A sink that only takes its blocks, for streams that run for a while.
class DiscardSink : public CDspConsumer {
public:
    explicit DiscardSink(int capacity) : CDspConsumer(kDspTypeComplex, capacity, 0) {}
    void BufferFull() override {
        const Cpx* p = buffer->MainAs<Cpx>();
        for (int i = 0; i < buffer->Fill(); ++i)
            if (!std::isfinite(p[i].real()) || !std::isfinite(p[i].imag())) ++nonFinite;
        last.assign(p, p + buffer->Fill());
        buffer->Commit();
    }
    std::string& GetName(std::string& name) override { return name = "DiscardSink"; }
    int nonFinite = 0;
    std::vector<Cpx> last;
};

// Checks, each time the filter runs, that its live taps are one whole design:
// either set A or set B, never a mix of both.
template <typename Filter>
class TapProbe : public Filter {
public:
    using Filter::Filter;
    void Process(void* dst, const void* src, int count) override {
        const double* h = this->Coefficients();
        const int n = this->TapCount();
        if (std::equal(h, h + n, setA.begin()))
            ++sawA;
        else if (std::equal(h, h + n, setB.begin()))
            ++sawB;
        else
            ++torn;
        Filter::Process(dst, src, count);
        blocks.fetch_add(1, std::memory_order_release);
    }
    std::vector<double> setA, setB;
    int sawA = 0, sawB = 0, torn = 0;  // streaming thread only
    std::atomic<long> blocks{0};
};

// Streams noise through `block` on a thread of its own, holding the chain
// lock for every block as the acquisition worker does, while `change` runs
// on this (user-interface) thread.
template <typename Change>
void StreamWhile(CDspBlock& block, DiscardSink& sink, CDspLock& lock, Change change) {
    test::TestSource src(64);
    src.SetLock(&lock);
    src.Connect(&block);
    block.Connect(&sink);
    src.SetRate(31.25);
    const auto noise = test::ComplexNoise(64, 3);
    std::atomic<bool> stop{false};
    std::thread streaming([&] {
        while (!stop.load(std::memory_order_acquire)) {
            {
                DspLockGuard guard(&lock);
                src.Push(noise);
            }
            std::this_thread::yield();  // as between two real blocks
        }
    });
    change();
    stop.store(true, std::memory_order_release);
    streaming.join();
    block.downstream = nullptr;
}

// Waits until the streaming thread has run the probe `more` more times.
template <typename Probe>
void WaitForBlocks(const Probe& probe, long more) {
    const long target = probe.blocks.load(std::memory_order_acquire) + more;
    while (probe.blocks.load(std::memory_order_acquire) < target)
        std::this_thread::yield();
}

// Streams through `probe` while `redesign(i)` switches it, round after round,
// between the designs of `a` and `b`; every block must run one whole design,
// and both must have streamed.
template <typename Filter, typename Redesign>
void ExpectOnlyWholeTapSets(TapProbe<Filter>& probe, Filter& a, Filter& b, Redesign redesign) {
    probe.setA.assign(a.Coefficients(), a.Coefficients() + a.TapCount());
    probe.setB.assign(b.Coefficients(), b.Coefficients() + b.TapCount());
    CDspLock lock;
    DiscardSink sink(64);
    const int rounds = test::kSanitized ? 100 : 1000;
    StreamWhile(probe, sink, lock, [&] {
        for (int i = 0; i < rounds; ++i) {
            redesign(i);
            WaitForBlocks(probe, 1);
        }
    });
    EXPECT_EQ(probe.torn, 0);
    EXPECT_GT(probe.sawA, 0);
    EXPECT_GT(probe.sawB, 0);
    EXPECT_EQ(sink.nonFinite, 0);
}

TEST(FilterRedesign, BandPassNeverStreamsAHalfCopiedTapSet) {
    CDspKaiserBPFFir a(64, 64, -0.3072, 0.3072, 13.0), b(64, 64, 0.05, 0.2, 13.0);
    TapProbe<CDspKaiserBPFFir> probe(64, 64, -0.3072, 0.3072, 13.0);
    ExpectOnlyWholeTapSets<CDspKaiserBPFFir>(probe, a, b, [&](int i) {
        if (i % 2)
            probe.SetBand(-0.3072, 0.3072);
        else
            probe.SetBand(0.05, 0.2);
    });
}

TEST(FilterRedesign, LowPassNeverStreamsAHalfCopiedTapSet) {
    CDspKaiserLPFFir a(64, 64, 0.6, 8.0), b(64, 64, 0.1, 8.0);
    TapProbe<CDspKaiserLPFFir> probe(64, 64, 0.6, 8.0);
    ExpectOnlyWholeTapSets<CDspKaiserLPFFir>(probe, a, b,
                                             [&](int i) { probe.SetCutoff(i % 2 ? 0.6 : 0.1); });
}

// Offsets, output kind, blanker threshold and switch are plain stores from
// the user-interface thread, taken up by the streaming thread at its next
// block; once the changes stop, the blocks stream exactly as set.
TEST(ScalarSettings, ChangeWhileStreamingWithoutTheLock) {
    static const test::ShiftTables tables;
    CDspTabFreqShift shifter(64, tables.cosTable.data(), tables.sinTable.data(),
                             test::ShiftTables::kSize, 0);
    CDspNoiseBlanker blanker;
    CDspLock lock;
    DiscardSink sink(64);
    // Blanker first (capacity 1024 fed in 64s), then the shifter.
    test::TestSource src(64);
    src.SetLock(&lock);
    src.Connect(&blanker);
    blanker.Connect(&shifter);
    shifter.Connect(&sink);
    src.SetRate(500.0);
    const auto noise = test::ComplexNoise(64, 5);
    std::atomic<bool> stop{false};
    std::atomic<long> pushes{0};
    std::thread streaming([&] {
        while (!stop.load(std::memory_order_acquire)) {
            {
                DspLockGuard guard(&lock);
                src.Push(noise);
            }
            pushes.fetch_add(1, std::memory_order_release);
            std::this_thread::yield();
        }
    });
    const int rounds = test::kSanitized ? 200 : 2000;
    for (int i = 0; i < rounds; ++i) {
        shifter.SetTuneOffset(-1000.0 * (i % 7));
        shifter.SetModeOffset(i % 2 ? 1500.0 : -1500.0);
        shifter.SetRealOutput(i % 3 == 0);
        blanker.SetThreshold(-100.0 - i % 50);
        blanker.SetEnabled(i % 2);
        (void)shifter.GetTuneOffset();
        if (i % 100 == 0) {
            const long target = pushes.load(std::memory_order_acquire) + 20;
            while (pushes.load(std::memory_order_acquire) < target)
                std::this_thread::yield();
        }
    }
    // Settle on a pass-through setting and let it reach the sink.
    shifter.SetTuneOffset(0.0);
    shifter.SetModeOffset(0.0);
    shifter.SetRealOutput(0);
    blanker.SetEnabled(0);
    const long target = pushes.load(std::memory_order_acquire) + 40;
    while (pushes.load(std::memory_order_acquire) < target)
        std::this_thread::yield();
    stop.store(true, std::memory_order_release);
    streaming.join();
    EXPECT_EQ(sink.nonFinite, 0);
    ASSERT_EQ(sink.last.size(), 64u);
    EXPECT_EQ(sink.last, noise);  // ω = 0 and blanker off: untouched
    shifter.downstream = nullptr;
}

}  // namespace
}  // namespace velorix
