#include "DspBlock.h"

#include "DspCopy.h"

namespace velorix {

CDspBlock::~CDspBlock() = default;

void CDspBlock::Connect(CDspConsumer* consumer) {
    if (consumer == nullptr) return;
    // Types are not compared: every engine block streams complex doubles.
    (void)consumer->GetInputType();
    (void)GetOutputType();
    CDspLock* segmentLock = GetLock();
    if (downstream == nullptr) {
        consumer->SetLock(segmentLock);
        downstream = consumer;
        return;
    }
    if (downstream->IsSplitter()) {
        static_cast<CDspCopy*>(downstream)->Connect(consumer);
        return;
    }
    auto copy = std::make_unique<CDspCopy>(GetOutputType(), GetBlockCapacity());
    copy->SetLock(segmentLock);
    copy->Connect(downstream);
    copy->Connect(consumer);
    downstream = copy.get();
    splitter_ = std::move(copy);
}

void CDspBlock::DrainInto(CDspConsumer* target, bool deliver) {
    CDspBuffer* d = target->GetBuffer();
    int left = buffer->Rewind();
    while (left > 0) {
        const int n = d->FreeSpace(left);
        if (n <= 0) break;  // the consumer kept its buffer full: drop the rest
        const std::byte* src = buffer->AdvanceRead(n);
        std::byte* dst = d->AdvanceWrite(n);
        Process(dst, src, n);
        left -= n;
        if (d->IsFull()) {
            if (!deliver) break;
            target->BufferFull();
            // A consumer that went busy now owns its buffer: touch it no more.
            if (!target->IsReady()) break;
        }
    }
    // The whole own block counts as consumed, so Commit keeps the right history.
    if (left > 0) buffer->AdvanceRead(left);
}

void CDspBlock::Run() {
    DrainInto(downstream, true);
}

void CDspBlock::Restart() {
    buffer->Clear();
    if (downstream != nullptr) downstream->SetRate(GetOutputRate());
}

void CDspBlock::BufferFull() {
    if (downstream != nullptr && downstream->IsReady()) {
        Run();
        buffer->Commit();
    } else {
        buffer->Clear();
    }
}

}  // namespace velorix
