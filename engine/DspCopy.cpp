#include "DspCopy.h"

#include <cstring>

namespace velorix {

void CDspCopy::Connect(CDspConsumer* consumer) {
    if (consumer == nullptr) return;
    consumer->SetLock(lock);
    consumers_.push_front(consumer);
}

void CDspCopy::Process(void* dst, const void* src, int count) {
    std::memcpy(dst, src, static_cast<size_t>(count) * buffer->ElementSize());
}

void CDspCopy::Restart() {
    for (CDspConsumer* c : consumers_)
        c->SetRate(rate);
}

void CDspCopy::FanOut(CDspBuffer& src) {
    for (CDspConsumer* c : consumers_) {
        downstream = c;
        // Each consumer that can read the block where it is gets it uncopied.
        if (c->IsReady() && !c->ConsumeBlock(src)) DrainFrom(src, c, true);
    }
}

bool CDspCopy::ConsumeBlock(CDspBuffer& src) {
    if (buffer->Fill() != 0 || src.History() != 0) return false;
    FanOut(src);
    return true;
}

void CDspCopy::BufferFull() {
    FanOut(*buffer);
    buffer->Commit();
}

}  // namespace velorix
