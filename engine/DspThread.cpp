#include "DspThread.h"

#include <algorithm>
#include <cstring>

#include "ThreadPriority.h"

namespace velorix {

CDspThread::CDspThread(int type, int capacity) : CDspBlock(type, capacity, 0) {
    worker_ = std::thread([this] { Worker(); });
}

CDspThread::~CDspThread() {
    stop_.store(1);
    wake_.Set();
    if (worker_.joinable()) worker_.join();
}

void CDspThread::Connect(CDspConsumer* consumer) {
    if (consumer == nullptr) return;
    consumer->SetLock(&ownLock_);
    downstream = consumer;
    // The worker waits afresh, with the consumer's idle period.
    idleMs_.store(consumer->IdlePeriodMs());
    wake_.Set();
}

int CDspThread::GetOutputType() {
    return downstream ? downstream->GetInputType() : buffer->Type();
}

int CDspThread::GetInputType() {
    return GetOutputType();
}

CDspBuffer* CDspThread::GetBuffer() {
    return downstream ? downstream->GetBuffer() : buffer.get();
}

void CDspThread::Process(void* dst, const void* src, int count) {
    std::memcpy(dst, src, static_cast<size_t>(count) * buffer->ElementSize());
}

void CDspThread::Restart() {
    buffer->Clear();
    countedOnly_ = false;
    if (downstream == nullptr) return;
    // The worker may be inside the downstream segment: wait for it.
    DspLockGuard guard(&ownLock_);
    downstream->SetRate(GetOutputRate());
}

void CDspThread::SetSkipLimit(int n) {
    skipCounter_.store(0);
    skipLimit_.store(n < 0 ? 0 : n);
}

void CDspThread::ResetThread() {
    ready.store(1, std::memory_order_release);
    skipCounter_.store(0);
    skipLimit_.store(0);
    state_.store(0);
}

void CDspThread::BufferFull() {
    if (downstream == nullptr) {
        // Nothing after the thread: the data went into the own buffer.
        buffer->Clear();
        return;
    }
    if (countedOnly_ || skipCounter_.load() < skipLimit_.load()) {
        countedOnly_ = false;
        downstream->GetBuffer()->Commit();  // dropped; the history stays
        skipCounter_.fetch_add(1);
        ready.store(1, std::memory_order_release);
        return;
    }
    skipCounter_.store(0);
    ready.store(0, std::memory_order_release);
    handedOver_.store(true);
    wake_.Set();
}

bool CDspThread::ConsumeBlock(CDspBuffer& src) {
    if (downstream == nullptr) return false;
    CDspBuffer* d = downstream->GetBuffer();
    const int room = d->Capacity() - d->Fill();
    const int n = src.Capacity();
    // Every element must land in a buffer that the limit drops: the one being
    // filled, and the next one too when the block spills into it.
    const bool dropsThis = countedOnly_ || skipCounter_.load() < skipLimit_.load();
    const bool dropsNext =
        n <= room || (n - room < d->Capacity() && skipCounter_.load() + 1 < skipLimit_.load());
    if (!dropsThis || !dropsNext || room <= 0) return false;
    countedOnly_ = true;
    d->AdvanceWrite(std::min(n, room));
    if (d->IsFull()) BufferFull();
    if (n > room) {
        countedOnly_ = true;
        d->AdvanceWrite(n - room);
    }
    return true;
}

void CDspThread::Run() {
    if (downstream != nullptr && state_.load() != 1) {
        DrainInto(downstream, false);
        if (downstream->GetBuffer()->IsFull()) {
            state_.store(1);
            ready.store(0, std::memory_order_release);
            handedOver_.store(true);
            wake_.Set();
        }
    }
    // The whole own block counts as consumed, whatever was copied.
    buffer->Rewind();
    buffer->AdvanceRead(buffer->Capacity());
}

void CDspThread::Worker() {
    SetCurrentThreadName("velorix-dsp");
    for (;;) {
        const int idleMs = idleMs_.load();
        if (idleMs > 0)
            wake_.WaitFor(std::chrono::milliseconds(idleMs));
        else
            wake_.Wait();
        if (stop_.load()) break;
        if (!handedOver_.exchange(false)) {
            // No block: the consumer's idle tick, when it is free for one.
            DspLockGuard guard(&ownLock_);
            if (idleMs > 0 && downstream != nullptr && downstream->IsReady()) downstream->Idle();
            continue;
        }
        {
            DspLockGuard guard(&ownLock_);
            if (downstream != nullptr) {
                if (downstream->IsReady()) {
                    downstream->BufferFull();
                } else if (autoThrottle_.load() && skipLimit_.load() < kMaxAutoSkip) {
                    // Held at 100: a hidden display gets no paint, and an
                    // unbounded limit would leave it crawling once shown.
                    skipLimit_.fetch_add(1);
                }
                downstream->GetBuffer()->Commit();
            }
        }
        ready.store(1, std::memory_order_release);
    }
    state_.store(2);
}

}  // namespace velorix
