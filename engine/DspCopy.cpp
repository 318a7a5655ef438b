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

void CDspCopy::BufferFull() {
    for (CDspConsumer* c : consumers_) {
        downstream = c;
        if (c->IsReady()) Run();
    }
    buffer->Commit();
}

}  // namespace velorix
