#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "AudioSink.h"

struct pa_mainloop;
struct pa_context;
struct pa_stream;
struct pa_operation;

namespace velorix {

// Plays through a PulseAudio server (or PipeWire's PulseAudio service) with
// libpulse. The server is never spawned: a missing server is reported.
//
// libpulse is driven by a plain main loop that the calling thread iterates,
// so the library starts no threads of its own: Open and Close run on the
// control thread, Start and Write on CWaveOut's writer thread (never at the
// same time), Interrupt from anywhere.
class PulseAudioSink : public AudioSink {
public:
    struct SinkInfo {
        std::string name;
        std::string description;
    };

    // `server` empty uses the usual lookup (PULSE_SERVER, the user's runtime
    // directory); `appName` is what the server shows for the stream.
    explicit PulseAudioSink(std::string server = {}, std::string appName = "velorix");
    ~PulseAudioSink() override;

    AudioStatus Open(const std::string& nameSubstring) override;
    AudioStatus Start() override;
    // Blocks until the server has room for the whole buffer (the stream's
    // target length is four buffers, 65.5 ms), which paces the writer.
    AudioStatus Write(const std::byte* data, size_t bytes) override;
    void Interrupt() override;
    AudioStatus Close() override;
    bool DropsWhenFull() const override { return true; }
    std::string Description() const override { return description_; }

    // The server's sinks as listed at Open, in the server's order.
    const std::vector<SinkInfo>& Sinks() const { return sinks_; }

private:
    AudioStatus Connect();
    AudioStatus ListSinks();
    AudioStatus OpenStream(const std::string& sinkName);
    // Runs the main loop once, waiting at most `timeoutMs`; false when the
    // loop has quit.
    bool Iterate(int timeoutMs);
    AudioStatus ContextError() const;
    // Waits for an operation (the answer timeout at most) and releases it;
    // one the server did not complete fails, unless Interrupt came first.
    AudioStatus Wait(pa_operation* op);
    // Gets the fresh stream played once, then pauses and empties it.
    AudioStatus WarmUp();

    std::string server_;
    std::string appName_;
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::vector<SinkInfo> sinks_;
    std::string description_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace velorix
