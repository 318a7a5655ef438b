#pragma once

#include <atomic>
#include <thread>

#include "DspBlock.h"
#include "Event.h"

namespace velorix {

// Hands a stream over to a worker thread of its own. The upstream thread
// only tests a counter and signals an event; the worker runs everything
// below the thread under the thread's own lock. While the worker is busy
// the upstream drops its blocks, so no queue ever builds up. A consumer
// that asks for idle ticks gets them from the worker while no block comes.
class CDspThread : public CDspBlock {
public:
    CDspThread(int type, int capacity);
    // Raises the stop flag, wakes the worker and joins it.
    ~CDspThread() override;

    CDspLock* GetLock() override { return &ownLock_; }
    // A thread has exactly one consumer; it gets the thread's own lock.
    void Connect(CDspConsumer* consumer) override;
    int GetOutputType() override;
    // Producer-side hand-over, used when the thread itself is fed as a producer.
    void Run() override;
    void Process(void* dst, const void* src, int count) override;

    // The upstream writes straight into the buffer of the block after the thread.
    CDspBuffer* GetBuffer() override;
    int GetInputType() override;
    void Restart() override;
    void BufferFull() override;
    // A block that would only be dropped by the skip limit is counted
    // without being copied.
    bool ConsumeBlock(CDspBuffer& src) override;
    std::string& GetName(std::string& name) override { return name = "CDspThread"; }

    // Drops n blocks between two handed over (0: hand over every block).
    void SetSkipLimit(int n);
    int GetSkipLimit() const { return skipLimit_.load(); }
    // The highest skip limit auto-throttle raises the limit to.
    static constexpr int kMaxAutoSkip = 100;
    // When on, every busy consumer found by the worker raises the skip limit.
    void SetAutoThrottle(int flag) { autoThrottle_.store(flag); }
    void ResetThread();

    // 0 idle, 1 after the producer-side Run handed a block over, 2 worker gone.
    int GetState() const { return state_.load(); }

private:
    void Worker();

    std::atomic<int> autoThrottle_{0};
    std::atomic<int> skipCounter_{0};
    std::atomic<int> skipLimit_{0};
    // The downstream buffer being filled holds blocks that were counted but
    // not copied: it is dropped when full, whatever the limit is by then.
    // Upstream thread, under the segment lock.
    bool countedOnly_ = false;
    std::atomic<int> stop_{0};
    // A block was handed to the worker (else the worker woke for a tick).
    std::atomic<bool> handedOver_{false};
    std::atomic<int> idleMs_{0};
    CDspLock ownLock_;
    std::atomic<int> state_{0};
    Event wake_{Event::Reset::Auto};
    std::thread worker_;
};

}  // namespace velorix
