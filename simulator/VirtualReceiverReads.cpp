// The device's IN endpoints: replies on 0x81 and the sample stream on 0x82,
// as reads that a host submits and reaps.
#include <algorithm>

#include "VirtualReceiver.h"

namespace velorix::sim {

namespace {

// Longest a source may take to make one read's samples before the band's clock is
// held for it (a 21.8 ms block normally takes a few milliseconds).
constexpr std::chrono::milliseconds kSourceStall{200};

}  // namespace

void VirtualReceiver::Changed() {
    ++changes_;
    wake_.notify_all();
}

uint64_t VirtualReceiver::Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

void VirtualReceiver::WaitForChange(uint64_t seen, Clock::time_point until) const {
    std::unique_lock lock(mutex_);
    wake_.wait_until(lock, until, [&] { return changes_ != seen; });
}

void VirtualReceiver::WakeReaders() {
    std::lock_guard lock(mutex_);
    Changed();
}

void VirtualReceiver::Finish(PendingRead& read, VirtualResult result, int transferred) {
    read.done = true;
    read.completion = {result, transferred};
    if (read.endpoint == 0x81 && result == VirtualResult::Ok)
        TraceBytes("in 81", read.data, transferred);
}

VirtualReceiver::TransferId VirtualReceiver::SubmitRead(uint32_t generation, uint8_t endpoint,
                                                        uint8_t* data, int length) {
    std::lock_guard lock(mutex_);
    PendingRead read;
    read.id = nextId_++;
    read.generation = generation;
    read.endpoint = endpoint;
    read.data = data;
    read.length = length;
    if (!Current(generation))
        Finish(read, VirtualResult::NoDevice);
    else if (!firmwareRunning_ || cpuInReset_ || length < 0 || (length > 0 && !data) ||
             (endpoint != 0x81 && endpoint != 0x82))
        Finish(read, VirtualResult::Stall);
    else if (endpoint == 0x82 && halted_)
        Finish(read, VirtualResult::Stall);
    reads_.push_back(read);
    return read.id;
}

std::optional<VirtualReceiver::Completion> VirtualReceiver::Reap(TransferId id,
                                                                 Clock::time_point now) {
    std::lock_guard lock(mutex_);
    Advance(now);
    const auto it =
        std::find_if(reads_.begin(), reads_.end(), [id](const auto& r) { return r.id == id; });
    if (it == reads_.end()) return Completion{VirtualResult::NoDevice, 0};
    if (!it->done) return std::nullopt;
    const Completion c = it->completion;
    reads_.erase(it);
    return c;
}

std::optional<VirtualReceiver::Clock::time_point> VirtualReceiver::NextCompletion(
    Clock::time_point now) {
    std::lock_guard lock(mutex_);
    Advance(now);
    constexpr int kFrame = SampleSource::kFrameBytes;
    // Only the first pending sample read can complete next: it waits for the
    // frames that it still lacks.
    const auto first = std::find_if(reads_.begin(), reads_.end(),
                                    [](const auto& r) { return !r.done && r.endpoint == 0x82; });
    if (first == reads_.end() || !Streaming() || config_.stallReads) return std::nullopt;
    const uint64_t fromFifo = uint64_t(SampleReadBytes(first->length)) - carry_.size();
    const uint64_t missing = (fromFifo + kFrame - 1) / kFrame - fifo_.Held();
    return TimeOfFrame(fifo_.Produced() + missing);
}

void VirtualReceiver::Cancel(TransferId id) {
    std::lock_guard lock(mutex_);
    for (PendingRead& read : reads_)
        if (read.id == id && !read.done) {
            Finish(read, VirtualResult::Aborted);
            Changed();
        }
}

void VirtualReceiver::Abort(uint32_t generation, uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    if (!Current(generation)) return;
    for (PendingRead& read : reads_)
        if (read.endpoint == endpoint && !read.done) Finish(read, VirtualResult::Aborted);
    Changed();
}

VirtualResult VirtualReceiver::ClearHalt(uint32_t generation, uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    if (!Current(generation)) return VirtualResult::NoDevice;
    if (endpoint != 0x82 || !halted_) return VirtualResult::Ok;
    if (Clock::now() < haltHeldUntil_) return VirtualResult::Stall;
    halted_ = false;
    Trace("fault: sample endpoint halt cleared");
    return VirtualResult::Ok;
}

void VirtualReceiver::Advance(Clock::time_point now) {
    UpdateFifo(now);
    bool sampleWaiting = false;
    for (PendingRead& read : reads_) {
        if (read.done) continue;
        if (read.endpoint == 0x81) {
            if (replies_.empty()) continue;
            const std::vector<uint8_t>& reply = replies_.front();
            const int n = std::min(read.length, int(reply.size()));
            std::copy(reply.begin(), reply.begin() + n, read.data);
            replies_.pop_front();
            Finish(read, VirtualResult::Ok, n);
        } else if (!sampleWaiting) {
            // Later sample reads wait behind the first one that cannot complete.
            sampleWaiting = !CompleteSampleRead(read, now);
        }
    }
}

int VirtualReceiver::SampleReadBytes(int length) {
    // A short packet ends every n-th transfer early.
    if (config_.shortReadEvery > 0 && (sampleReads_ + 1) % uint64_t(config_.shortReadEvery) == 0)
        return std::max(1, length / 2);
    return length;
}

bool VirtualReceiver::CompleteSampleRead(PendingRead& read, Clock::time_point now) {
    constexpr int kFrame = SampleSource::kFrameBytes;
    if (halted_) {
        Finish(read, VirtualResult::Stall);
        return true;
    }
    const int bytes = SampleReadBytes(read.length);
    const uint64_t held = carry_.size() + fifo_.Held() * kFrame;
    if (config_.stallReads || held < uint64_t(bytes)) return false;
    ++sampleReads_;
    const double stallAt = config_.sampleStallAtSeconds;
    if (!stallFired_ && stallAt >= 0.0 && FramesDue(now) >= uint64_t(stallAt * rateKHz_ * 1000.0)) {
        // The endpoint halts half-way: what the read got so far is lost to the host.
        stallFired_ = halted_ = true;
        haltHeldUntil_ =
            now + std::chrono::microseconds(int64_t(config_.sampleStallForSeconds * 1e6));
        const int half = bytes / 2 / kFrame * kFrame;
        TakeBytes(read.data, half);
        Trace("fault: sample endpoint halted after %d bytes", half);
        Finish(read, VirtualResult::Stall, half);
        return true;
    }
    const Clock::time_point fillStart = Clock::now();
    TakeBytes(read.data, bytes);
    // A band that stalls while making samples (a programme prepared when first
    // heard) stops its clock for as long: the stream goes on where it was
    // instead of owing that time in one burst that overflows the FIFO and the
    // host's audio queue.
    if (const auto spent = Clock::now() - fillStart; spent > kSourceStall) runStart_ += spent;
    Finish(read, VirtualResult::Ok, bytes);
    return true;
}

void VirtualReceiver::TakeBytes(uint8_t* out, int bytes) {
    constexpr int kFrame = SampleSource::kFrameBytes;
    int done = std::min(bytes, int(carry_.size()));
    std::copy(carry_.begin(), carry_.begin() + done, out);
    carry_.erase(carry_.begin(), carry_.begin() + done);
    const int whole = (bytes - done) / kFrame;
    CopyFrames(out + done, uint64_t(whole));
    done += whole * kFrame;
    if (done < bytes) {  // a read that ends inside a frame keeps the frame's rest
        uint8_t frame[kFrame];
        CopyFrames(frame, 1);
        const int part = bytes - done;
        std::copy(frame, frame + part, out + done);
        carry_.assign(frame + part, frame + kFrame);
    }
}

uint64_t VirtualReceiver::FramesDue(Clock::time_point now) const {
    if (now <= runStart_) return 0;
    const uint64_t us =
        uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(now - runStart_).count());
    return us * uint64_t(rateKHz_) / 1000;
}

VirtualReceiver::Clock::time_point VirtualReceiver::TimeOfFrame(uint64_t frame) const {
    const uint64_t rate = uint64_t(rateKHz_);
    return runStart_ + std::chrono::microseconds((frame * 1000 + rate - 1) / rate);
}

void VirtualReceiver::UpdateFifo(Clock::time_point now) {
    if (!Streaming()) return;
    fifo_.ProduceUntil(FramesDue(now));
}

void VirtualReceiver::CopyFrames(uint8_t* out, uint64_t frames) {
    fifo_.Take(frames, [&](uint64_t first, uint64_t count) {
        source_->Fill(first, out, size_t(count));
        out += count * SampleSource::kFrameBytes;
    });
}

}  // namespace velorix::sim
