#pragma once

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "DspBlock.h"

namespace velorix::test {

// A chain head fed from a test: Push writes samples and delivers each
// full block through the block's own BufferFull, as the acquisition board does.
class TestSource : public CDspBlock {
public:
    explicit TestSource(int capacity, int history = 0)
        : CDspBlock(kDspTypeComplex, capacity, history) {}

    void Push(const std::vector<Cpx>& samples) {
        size_t i = 0;
        while (i < samples.size()) {
            const int n = buffer->FreeSpace(static_cast<int>(samples.size() - i));
            std::memcpy(buffer->AdvanceWrite(n), samples.data() + i, n * sizeof(Cpx));
            i += n;
            if (buffer->IsFull()) BufferFull();
        }
    }
    // Pushes `blocks` full blocks of consecutive numbers starting at `first`.
    double PushRamp(int blocks, double first = 0.0) {
        std::vector<Cpx> v(static_cast<size_t>(buffer->Capacity()) * blocks);
        for (auto& x : v)
            x = Cpx(first, -first), first += 1.0;
        Push(v);
        return first;
    }
    void Process(void* dst, const void* src, int count) override {
        std::memcpy(dst, src, count * sizeof(Cpx));
    }
    std::string& GetName(std::string& name) override { return name = "TestSource"; }
};

// A head whose blocks leave it unchanged, as the acquisition board's.
class PassingSource : public TestSource {
public:
    using TestSource::TestSource;
    bool PassesThrough() override { return true; }
};

// A consumer-only sink that records what reaches it and counts calls.
class TestSink : public CDspConsumer {
public:
    explicit TestSink(int capacity, int history = 0)
        : CDspConsumer(kDspTypeComplex, capacity, history) {}

    void BufferFull() override {
        ++fullCalls;
        const Cpx* p = buffer->MainAs<Cpx>();
        received.insert(received.end(), p, p + buffer->Fill());
        order.push_back(tag);
        if (orderLog) orderLog->push_back(tag);
        buffer->Commit();
    }
    void SetRate(double rateKHz) override {
        ++rateCalls;
        CDspConsumer::SetRate(rateKHz);
    }
    std::string& GetName(std::string& name) override { return name = "TestSink"; }

    int tag = 0;
    std::vector<int>* orderLog = nullptr;
    std::atomic<int> fullCalls{0};
    int rateCalls = 0;
    std::vector<Cpx> received;
    std::vector<int> order;
};

// A rate changer for rate-propagation tests: output rate = rate * num / den.
class TestRateBlock : public CDspBlock {
public:
    TestRateBlock(int capacity, double num, double den)
        : CDspBlock(kDspTypeComplex, capacity, 0), num_(num), den_(den) {}
    double GetOutputRate() override { return rate * num_ / den_; }
    void Process(void* dst, const void* src, int count) override {
        std::memcpy(dst, src, count * sizeof(Cpx));
    }
    std::string& GetName(std::string& name) override { return name = "TestRateBlock"; }

private:
    double num_, den_;
};

}  // namespace velorix::test
