#pragma once

#include <cstddef>
#include <memory>

#include "DspTypes.h"

namespace velorix {

// A block's input buffer: one contiguous allocation holding `history`
// elements of the previous block in front of `capacity` new elements, so a
// filter always reads a contiguous window. Counts are in elements.
//
// Only the thread that runs the owning chain segment touches a buffer, so
// nothing here is synchronised.
class CDspBuffer {
public:
    // capacity 0 leaves the buffer unsized (capacity and history -1).
    CDspBuffer(int type, int capacity, int history);
    CDspBuffer(const CDspBuffer&) = delete;
    CDspBuffer& operator=(const CDspBuffer&) = delete;

    // Reallocates when either size differs; always resets and zeroes history.
    void Resize(int capacity, int history);
    // The smaller of n and the space left before the buffer is full.
    int FreeSpace(int n) const;
    // Moves the write position on by n; returns where writing started.
    std::byte* AdvanceWrite(int n);
    // Moves the read position on by n; returns where reading started.
    std::byte* AdvanceRead(int n);
    // Read position back to the base (oldest history element); returns capacity.
    int Rewind();
    // Keeps the last `history` elements read as the next block's history.
    void Commit();
    // Drops data and history: a filter fed from here restarts from silence.
    void Clear();

    int Type() const { return type_; }
    int ElementSize() const { return elementSize_; }
    int Capacity() const { return capacity_; }
    int History() const { return history_; }
    int Fill() const { return fill_; }
    bool IsFull() const { return capacity_ > 0 && fill_ == capacity_; }

    std::byte* Base() { return base_; }
    std::byte* Main() { return main_; }
    std::byte* WritePos() { return write_; }
    std::byte* ReadPos() { return read_; }

    template <typename T>
    T* BaseAs() {
        return reinterpret_cast<T*>(base_);
    }
    template <typename T>
    T* MainAs() {
        return reinterpret_cast<T*>(main_);
    }

private:
    struct AlignedFree {
        void operator()(std::byte* p) const;
    };

    int type_;
    int elementSize_;
    int capacity_ = -1;
    int history_ = -1;
    int fill_ = 0;
    std::byte* write_ = nullptr;
    std::byte* read_ = nullptr;
    std::byte* base_ = nullptr;
    std::byte* main_ = nullptr;
    std::unique_ptr<std::byte[], AlignedFree> storage_;
};

}  // namespace velorix
