#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "AudioPacer.h"
#include "AudioSink.h"
#include "DspBlock.h"
#include "Event.h"
#include "Notifier.h"
#include "ThreadPriority.h"

namespace velorix {

// The sink block at the end of the audio path. Takes 512 stereo frames
// (16-bit, 31 250 Hz) per block from the volume block and queues them on an
// audio device through an AudioSink.
//
// Sixteen 2048-byte output buffers are allocated with the object. The first
// block after Open is preceded by eight buffers of silence (131 ms), the
// margin the chain fills behind. A writer thread hands queued buffers to the
// device in order; a completion thread frees played buffers and, when pacing
// is on, tells the pacer that 512 frames at 31 250 Hz were played. When all
// sixteen are queued a real-time device drops the block (the chain never
// waits); a file sink makes the chain wait instead, which never depends on
// the pacer.
//
// Threads: BufferFull runs on the chain's thread; Open, Shutdown and the
// pacing switch on the control thread. Messages go to the notifier,
// captioned "WaveOut", from whichever thread meets the failure.
class CWaveOut : public CDspConsumer {
public:
    static constexpr int kBufferCount = 16;
    static constexpr int kSilentBuffers = 8;

    // `notifier` (not owned) hears of device failures, from any thread.
    CWaveOut(std::unique_ptr<AudioSink> sink, Notifier& notifier);
    ~CWaveOut() override;

    // Opens the device whose description contains `nameSubstring` (empty:
    // the default device), paused, and starts the threads. Returns 1 on
    // success, 0 on failure; a device that is merely absent fails without
    // a message, every other failure is shown.
    int Open(const std::string& nameSubstring);
    // Stops and joins both threads and closes the device. A sound card's
    // queue is discarded; a file device first writes what is queued. Call
    // it with the chain stopped and without holding the chain's lock: the
    // completion thread may be waiting for that lock inside the pacer.
    // Called by the destructor; safe to call twice.
    void Shutdown();

    // The block interface. BufferFull queues the 512 frames of the input
    // buffer (starting the device on the first block) and commits it.
    void BufferFull() override;
    std::string& GetName(std::string& name) override { return name = "CWaveOut"; }

    // Who is told about played buffers (the acquisition board; may be null)
    // and whether it is told (on while a file is played back).
    void SetPacer(AudioPacer* pacer) { pacer_.store(pacer, std::memory_order_release); }
    void SetPacing(bool on) { pacing_.store(on, std::memory_order_release); }

    // Readouts, safe from any thread.
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    bool IsStarted() const { return started_.load(std::memory_order_acquire); }
    // Buffers queued on the device and not yet freed (0 ... 16).
    int QueuedCount() const;
    // Buffers freed after the device played them (silence included), each
    // counted after the pacer, if on, was told about it.
    uint64_t PlayedCount() const { return played_.load(std::memory_order_acquire); }
    // Blocks dropped because all buffers were queued or the device failed.
    uint64_t DroppedCount() const { return dropped_.load(std::memory_order_acquire); }
    // Of those, the ones dropped after the device played its first buffer:
    // the losses a listener hears, the start's queue filling left out.
    uint64_t DroppedSinceFirstPlayed() const {
        if (played_.load(std::memory_order_acquire) == 0) return 0;
        return DroppedCount() - droppedBeforeFirstPlay_.load(std::memory_order_acquire);
    }
    std::string DeviceDescription() const;
    // True once the device failed while streaming or could not be closed
    // cleanly (a file's last writes or its sizes): the output lost audio.
    bool Failed() const { return failed_.load() || closeFailed_.load(); }

private:
    struct Header {
        std::array<std::byte, kAudioBufferBytes> data{};
        int inUse = 0;      // 1 from queueing until freed
        bool done = false;  // played by the device, not yet freed
    };

    void Start();
    // Queues header i (lock held): in use, counted, appended to the writer's queue.
    void QueueLocked(int i);
    int FindFreeLocked() const;
    // Frees every played header; returns how many (lock held).
    int ReclaimLocked();
    void WriterLoop();
    void CompletionLoop();
    // A sound card's threads are time-critical. A file's are batch work:
    // woken per buffer, they would otherwise preempt the chain for every
    // 512 frames of a playback that runs faster than real time.
    ThreadPriority LoopPriority() const {
        return dropsWhenFull_.load() ? ThreadPriority::TimeCritical : ThreadPriority::Batch;
    }
    // Reports a device failure met while streaming, once, and moves the
    // writer onto the clock-paced fallback so pacing goes on without sound.
    void FailStreaming(const AudioStatus& status, bool priming);
    void Notify(const std::string& text);

    std::unique_ptr<AudioSink> sink_;
    // Discards and paces from the clock once the device has failed.
    std::unique_ptr<AudioSink> fallback_;
    Notifier& notifier_;

    mutable std::mutex mutex_;          // guards the headers' flags, the queue and the counts below
    std::condition_variable writerCv_;  // work for the writer
    std::condition_variable freeCv_;    // a header was played (for a waiting chain)
    std::array<Header, kBufferCount> headers_{};
    std::array<int, kBufferCount> order_{};  // writer's FIFO of header indices
    int orderHead_ = 0;
    int orderSize_ = 0;
    int queued_ = 0;
    int unreported_ = 0;  // freed but not yet reported as played
    bool restartPending_ = false;
    int primingLeft_ = 0;  // silent buffers the writer has still to hand over
    bool stop_ = false;

    Event completion_{Event::Reset::Auto};
    std::thread writer_;
    std::thread completer_;

    std::atomic<bool> open_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> failed_{false};  // the device failed; the fallback is in use
    std::atomic<bool> closeFailed_{false};
    std::atomic<bool> dropsWhenFull_{true};
    std::atomic<AudioPacer*> pacer_{nullptr};
    std::atomic<bool> pacing_{false};
    std::atomic<uint64_t> played_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> droppedBeforeFirstPlay_{0};  // set before played_ leaves 0
};

}  // namespace velorix
