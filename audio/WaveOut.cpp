#include "WaveOut.h"

#include <chrono>
#include <cstring>

#include "NullAudioSink.h"

namespace velorix {

namespace {

constexpr const char* kCaption = "WaveOut";
// Longest wait at shutdown for a file device to write its last 16 buffers.
constexpr std::chrono::seconds kDrainTimeout{10};

// The fixed words for the failures an audio service reports when a device
// is opened; anything else is shown in the service's own words.
std::string OpenErrorText(const AudioStatus& status) {
    switch (status.error) {
        case AudioError::BadDevice:
            return "Bad SoundCard Device";
        case AudioError::InUse:
            return "Windows reports that your SoundCard is already in use by another program\r"
                   "                  Please check if you did set fullduplex ON";
        case AudioError::NoDriver:
            return "No SoundCard driver!";
        case AudioError::NoMemory:
            return "Not Enough Memory for SoundCard";
        case AudioError::BadFormat:
            return "Your SoundCard does not support this Wave Format";
        default:
            return status.text;
    }
}

// A failure met after the device was open is shown in the service's words.
std::string StreamingErrorText(const AudioStatus& status) {
    return status.text.empty() ? OpenErrorText(status) : status.text;
}

}  // namespace

CWaveOut::CWaveOut(std::unique_ptr<AudioSink> sink, Notifier& notifier)
    : CDspConsumer(kDspTypeStereo16, kAudioFramesPerBuffer, 0),
      sink_(std::move(sink)),
      fallback_(std::make_unique<NullAudioSink>()),
      notifier_(notifier) {}

CWaveOut::~CWaveOut() {
    Shutdown();
}

void CWaveOut::Notify(const std::string& text) {
    notifier_.Notify(text, kCaption, Notifier::Icon::Warning, Notifier::Buttons::Ok);
}

int CWaveOut::Open(const std::string& nameSubstring) {
    if (open_.load(std::memory_order_acquire) || !sink_) return 0;
    const AudioStatus status = sink_->Open(nameSubstring);
    if (!status.Ok()) {
        // An absent device is not an error worth a message: the program
        // simply runs without that output.
        if (status.error != AudioError::NotFound) Notify(OpenErrorText(status));
        return 0;
    }
    (void)fallback_->Open("");
    {
        std::lock_guard held(mutex_);
        stop_ = false;
        restartPending_ = false;
        primingLeft_ = 0;
        orderHead_ = orderSize_ = 0;
        queued_ = unreported_ = 0;
        for (Header& h : headers_)
            h.inUse = 0, h.done = false;
    }
    failed_.store(false);
    closeFailed_.store(false);
    started_.store(false);
    dropsWhenFull_.store(sink_->DropsWhenFull());
    buffer->Clear();
    writer_ = std::thread([this] { WriterLoop(); });
    completer_ = std::thread([this] { CompletionLoop(); });
    open_.store(true, std::memory_order_release);
    return 1;
}

void CWaveOut::Shutdown() {
    if (!open_.exchange(false, std::memory_order_acq_rel)) return;
    {
        std::unique_lock held(mutex_);
        // A file keeps everything the chain delivered: let the writer finish
        // the queue first. A sound card's queue is simply discarded.
        if (!dropsWhenFull_.load()) {
            freeCv_.wait_for(held, kDrainTimeout, [this] {
                if (dropsWhenFull_.load()) return true;  // it failed meanwhile
                for (const Header& h : headers_)
                    if (h.inUse != 0 && !h.done) return false;
                return true;
            });
        }
        stop_ = true;
    }
    // A writer blocked inside the device returns at once.
    sink_->Interrupt();
    fallback_->Interrupt();
    writerCv_.notify_all();
    freeCv_.notify_all();
    completion_.Set();
    if (writer_.joinable()) writer_.join();
    if (completer_.joinable()) completer_.join();
    const AudioStatus status = sink_->Close();
    (void)fallback_->Close();
    closeFailed_.store(!status.Ok());
    started_.store(false);
    // A file that could not be finished (sizes not patched, disk full) must
    // not pass for a good one.
    if (!status.Ok() && !failed_.load()) Notify(StreamingErrorText(status));
}

int CWaveOut::QueuedCount() const {
    std::lock_guard held(mutex_);
    return queued_;
}

std::string CWaveOut::DeviceDescription() const {
    return sink_ ? sink_->Description() : std::string();
}

int CWaveOut::FindFreeLocked() const {
    for (int i = 0; i < kBufferCount; ++i)
        if (headers_[i].inUse == 0) return i;
    return -1;
}

void CWaveOut::QueueLocked(int i) {
    headers_[i].inUse = 1;
    headers_[i].done = false;
    ++queued_;
    order_[(orderHead_ + orderSize_) % kBufferCount] = i;
    ++orderSize_;
}

int CWaveOut::ReclaimLocked() {
    int n = 0;
    for (Header& h : headers_) {
        if (h.done) {
            h.done = false;
            h.inUse = 0;
            --queued_;
            ++n;
        }
    }
    return n;
}

void CWaveOut::Start() {
    {
        std::lock_guard held(mutex_);
        for (Header& h : headers_) {
            h.data.fill(std::byte{0});
            h.inUse = 0;
            h.done = false;
        }
        queued_ = 0;
        orderHead_ = orderSize_ = 0;
        // The silent margin goes first; the device is resumed before it is written.
        for (int i = 0; i < kSilentBuffers; ++i)
            QueueLocked(i);
        primingLeft_ = kSilentBuffers;
        restartPending_ = true;
    }
    writerCv_.notify_one();
    started_.store(true, std::memory_order_release);
}

void CWaveOut::BufferFull() {
    if (!open_.load(std::memory_order_acquire)) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        buffer->Commit();
        return;
    }
    if (!started_.load(std::memory_order_acquire)) Start();
    bool queued = false;
    {
        std::unique_lock held(mutex_);
        int i = FindFreeLocked();
        if (i < 0 && !dropsWhenFull_.load()) {
            // A file loses nothing: wait until the writer has written one.
            // The buffer is freed here, on this thread, and the completion
            // thread reports it played later; so this wait never needs the
            // pacer, which takes the very lock the caller holds.
            freeCv_.wait(held, [this] {
                if (stop_ || dropsWhenFull_.load()) return true;
                // Freed meanwhile by the completion thread, or played and
                // waiting to be freed.
                for (const Header& h : headers_)
                    if (h.done || h.inUse == 0) return true;
                return false;
            });
            const int freed = ReclaimLocked();
            if (freed > 0) {
                unreported_ += freed;
                completion_.Set();
            }
            i = FindFreeLocked();
        }
        if (i >= 0 && !stop_) {
            std::memcpy(headers_[i].data.data(), buffer->Main(), kAudioBufferBytes);
            QueueLocked(i);
            queued = true;
        }
    }
    if (queued)
        writerCv_.notify_one();
    else
        dropped_.fetch_add(1, std::memory_order_relaxed);
    buffer->Commit();
}

void CWaveOut::FailStreaming(const AudioStatus& status, bool priming) {
    if (failed_.load()) return;
    // Switch first: a chain waiting on a file device must not go on waiting
    // while the message is on screen.
    (void)fallback_->Start();
    {
        std::lock_guard held(mutex_);
        failed_.store(true);
        dropsWhenFull_.store(true);
    }
    freeCv_.notify_all();
    if (priming) Notify("Errors during Out_Buffers prepare");
    Notify(StreamingErrorText(status));
}

void CWaveOut::WriterLoop() {
    SetCurrentThreadName("WaveOutWriter");
    ApplyThreadPriority(LoopPriority());
    std::unique_lock held(mutex_);
    for (;;) {
        writerCv_.wait(held, [this] { return stop_ || restartPending_ || orderSize_ > 0; });
        if (stop_) return;
        if (restartPending_) {
            restartPending_ = false;
            held.unlock();
            if (!failed_.load()) {
                const AudioStatus status = sink_->Start();
                if (!status.Ok()) FailStreaming(status, false);
            }
            held.lock();
            continue;
        }
        const int i = order_[orderHead_];
        orderHead_ = (orderHead_ + 1) % kBufferCount;
        --orderSize_;
        const bool priming = primingLeft_ > 0;
        if (priming) --primingLeft_;
        held.unlock();

        // The header is in use, so nobody else touches its bytes now.
        if (!failed_.load()) {
            const AudioStatus status = sink_->Write(headers_[i].data.data(), kAudioBufferBytes);
            if (!status.Ok()) FailStreaming(status, priming);
        }
        if (failed_.load()) (void)fallback_->Write(headers_[i].data.data(), kAudioBufferBytes);

        held.lock();
        headers_[i].done = true;
        freeCv_.notify_all();
        completion_.Set();
    }
}

void CWaveOut::CompletionLoop() {
    SetCurrentThreadName("WaveOutDone");
    ApplyThreadPriority(LoopPriority());
    for (;;) {
        completion_.Wait();
        int played = 0;
        bool stop = false;
        {
            std::lock_guard held(mutex_);
            played = ReclaimLocked() + unreported_;
            unreported_ = 0;
            stop = stop_;
        }
        if (played > 0) freeCv_.notify_all();
        for (int k = 0; k < played; ++k) {
            AudioPacer* pacer = pacer_.load(std::memory_order_acquire);
            if (!stop && pacer != nullptr && pacing_.load(std::memory_order_acquire))
                pacer->Played(kAudioFramesPerBuffer, static_cast<double>(kAudioRateHz));
            // Counted once the pacer has been told. Only this thread counts
            // played buffers, so the first one's mark is set before any reader
            // can see a played buffer.
            if (played_.load(std::memory_order_relaxed) == 0)
                droppedBeforeFirstPlay_.store(DroppedCount(), std::memory_order_release);
            played_.fetch_add(1, std::memory_order_acq_rel);
        }
        if (stop) return;
    }
}

}  // namespace velorix
