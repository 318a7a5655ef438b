#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "DspBuffer.h"
#include "DspLock.h"
#include "DspTypes.h"

namespace velorix {

class CDspConsumer;

// The output side of a block: where its results go and how it is wired.
class CDspProducer {
public:
    virtual ~CDspProducer() = default;

    // The lock that this block's consumers must share.
    virtual CDspLock* GetLock() = 0;
    // Attaches a consumer; a second one makes the block insert a CDspCopy.
    virtual void Connect(CDspConsumer* consumer) = 0;
    virtual int GetOutputType() = 0;
    // Output sample rate in kHz.
    virtual double GetOutputRate() = 0;
    // Capacity of the block's own input buffer, in elements.
    virtual int GetBlockCapacity() = 0;
    // Drains the own input buffer through Process into the downstream.
    virtual void Run() = 0;
    // The block's work: `count` output elements from `src` (own input,
    // history included) to `dst` (free space downstream).
    virtual void Process(void* dst, const void* src, int count) = 0;

    CDspConsumer* downstream = nullptr;
};

// The input side of a block: its buffer, rate, segment lock and readiness.
// Consumer-only sinks (displays, audio output) derive from this alone.
class CDspConsumer {
public:
    CDspConsumer(int type, int capacity, int history)
        : buffer(std::make_unique<CDspBuffer>(type, capacity, history)) {}
    virtual ~CDspConsumer() = default;
    CDspConsumer(const CDspConsumer&) = delete;
    CDspConsumer& operator=(const CDspConsumer&) = delete;

    // Stores the input rate in kHz and restarts the block.
    virtual void SetRate(double rateKHz) {
        rate = rateKHz;
        Restart();
    }
    // The buffer the upstream writes into.
    virtual CDspBuffer* GetBuffer() { return buffer.get(); }
    virtual int GetInputType() { return buffer->Type(); }
    // Drops buffered data and history; blocks with a downstream pass the rate on.
    virtual void Restart() { buffer->Clear(); }
    // Called by the upstream when the buffer returned by GetBuffer is full.
    virtual void BufferFull() = 0;
    virtual int IsSplitter() { return 0; }
    // Writes the class name into `name` and returns it.
    virtual std::string& GetName(std::string& name) = 0;
    // Whether a full buffer can be accepted now. Read by the upstream's
    // thread; a block whose readiness follows another block overrides it.
    virtual int IsReady() { return ready.load(std::memory_order_acquire); }
    // Takes a full block that the upstream holds in its own buffer `src` (no
    // history, capacity elements), as if it had been copied into GetBuffer()
    // and BufferFull called. True when it was taken (or dropped) that way;
    // false when it must be copied in, and nothing was done. Only called
    // when IsReady(), on the thread that feeds this consumer.
    virtual bool ConsumeBlock(CDspBuffer& src) {
        (void)src;
        return false;
    }

    // A consumer behind a CDspThread that wants a tick of its own while no
    // block comes: the thread's worker calls Idle, under the thread's lock,
    // when no block was handed over for IdlePeriodMs and the consumer is
    // ready (a display draws a new view of a paused stream). 0: no ticks.
    virtual int IdlePeriodMs() const { return 0; }
    virtual void Idle() {}

    void SetLock(CDspLock* segmentLock) { lock = segmentLock; }
    CDspBuffer& Buffer() { return *buffer; }

    CDspLock* lock = nullptr;
    // Input sample rate in kHz; plain store, written on the UI thread.
    double rate = 0.0;
    std::unique_ptr<CDspBuffer> buffer;
    // 1 when a full buffer can be accepted now; 0 while a worker thread or a
    // display still owns the previous one. Written by two threads.
    std::atomic<int> ready{1};
};

// A block with both sides and the default streaming behaviour: every engine
// block derives from it and supplies Process (and GetName).
class CDspBlock : public CDspProducer, public CDspConsumer {
public:
    CDspBlock(int type, int capacity, int history) : CDspConsumer(type, capacity, history) {}
    // Deletes the splitter that Connect inserted, if any.
    ~CDspBlock() override;

    CDspLock* GetLock() override { return lock; }
    void Connect(CDspConsumer* consumer) override;
    int GetOutputType() override { return kDspTypeComplex; }
    double GetOutputRate() override { return rate; }
    int GetBlockCapacity() override { return buffer->Capacity(); }
    void Run() override;

    void Restart() override;
    void BufferFull() override;
    // Processes `src` straight into the downstream when the block reads its
    // input without history at 1:1 and opted in (consumesInPlace_).
    bool ConsumeBlock(CDspBuffer& src) override;

protected:
    // Whether Process is a plain copy right now: a full block is then
    // offered to the downstream as it is, with no copy.
    virtual bool PassesThrough() { return false; }
    // Hands a full block in `src` to the downstream: in place when it takes
    // it so and this block only passes data on, through Process otherwise.
    void Deliver(CDspBuffer& src);
    // Writes the whole own buffer into the downstream, `Process`ing it in
    // pieces that fit, and lets the downstream process each time it fills.
    // Stops early (dropping the rest) when the downstream cannot take more.
    // `deliver` false leaves a full downstream buffer to the caller. Outputs
    // are counted singly at the block's rate change, so a downstream with room
    // for a part of a group of `up` outputs gets exactly that part, and the
    // next piece starts at startPhase_ within the group.
    void DrainInto(CDspConsumer* target, bool deliver) { DrainFrom(*buffer, target, deliver); }
    // As DrainInto, reading the block from `src` instead of the own buffer.
    void DrainFrom(CDspBuffer& src, CDspConsumer* target, bool deliver);

    // `up` outputs for every `down` inputs (both >= 1); 1:1 unless a
    // resampling block sets its factor in its constructor.
    int up_ = 1;
    int down_ = 1;
    // Within a group of `up` outputs, the one Process starts at (0..up-1).
    int startPhase_ = 0;
    // Set by a block whose Process gives the same output when it reads
    // another block's buffer: ConsumeBlock then spares the copy into its own.
    bool consumesInPlace_ = false;

private:
    // The splitter this block inserted. Ownership is remembered here rather
    // than asked of the downstream at destruction, when the consumers may
    // already be gone.
    std::unique_ptr<CDspConsumer> splitter_;
};

}  // namespace velorix
