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

void CDspBlock::DrainFrom(CDspBuffer& src, CDspConsumer* target, bool deliver) {
    if (target == nullptr) return;
    CDspBuffer* d = target->GetBuffer();
    const int inputs = src.Rewind();
    const int total = inputs / down_ * up_;
    int produced = 0;
    while (produced < total) {
        const int n = d->FreeSpace(total - produced);
        if (n <= 0) break;  // the consumer kept its buffer full: drop the rest
        const int firstInput = produced / up_ * down_;
        const std::byte* in = src.AdvanceRead((produced + n) / up_ * down_ - firstInput);
        std::byte* dst = d->AdvanceWrite(n);
        startPhase_ = produced % up_;
        Process(dst, in, n);
        startPhase_ = 0;
        produced += n;
        if (d->IsFull()) {
            if (!deliver) break;
            target->BufferFull();
            // A consumer that went busy now owns its buffer: touch it no more.
            if (!target->IsReady()) break;
        }
    }
    // The whole own block counts as consumed, so Commit keeps the right history.
    const int consumed = produced / up_ * down_;
    if (consumed < inputs) src.AdvanceRead(inputs - consumed);
}

void CDspBlock::Deliver(CDspBuffer& src) {
    if (!(PassesThrough() && downstream->ConsumeBlock(src))) DrainFrom(src, downstream, true);
}

void CDspBlock::Run() {
    DrainInto(downstream, true);
}

void CDspBlock::Restart() {
    buffer->Clear();
    if (downstream != nullptr) downstream->SetRate(GetOutputRate());
}

bool CDspBlock::ConsumeBlock(CDspBuffer& src) {
    if (!consumesInPlace_ || up_ != 1 || down_ != 1 || buffer->History() != 0 ||
        buffer->Fill() != 0 || src.History() != 0)
        return false;
    // A busy downstream drops the block, as BufferFull does.
    if (downstream != nullptr && downstream->IsReady()) Deliver(src);
    return true;
}

void CDspBlock::BufferFull() {
    if (downstream != nullptr && downstream->IsReady()) {
        Deliver(*buffer);
        buffer->Commit();
    } else {
        buffer->Clear();
    }
}

}  // namespace velorix
