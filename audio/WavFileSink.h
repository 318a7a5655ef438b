#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "AudioSink.h"
#include "CheckedFile.h"

namespace velorix {

// Writes the stream to a WAV file (PCM, 2 channels, 31 250 Hz, 16 bits;
// a 44-byte header whose sizes are patched at Close). Each buffer counts as
// played as soon as it is written, so a file source runs as fast as the
// machine allows. A file never drops data: CWaveOut makes the chain wait.
//
// "-" (standard output) and a FIFO that has a reader are written as a stream:
// the header's sizes stay 0xFFFFFFFF (unknown), as readers of streamed WAV
// expect, and nothing is ever patched. A reader that goes away fails the
// next Write, without SIGPIPE; one that stops reading holds Write only until
// Interrupt.
class WavFileSink : public AudioSink {
public:
    static constexpr int kHeaderBytes = 44;
    // The largest data chunk whose sizes still fit the header's 32-bit fields.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;
    // Both sizes of a streamed header.
    static constexpr uint32_t kUnknownSize = 0xFFFFFFFF;

    explicit WavFileSink(std::string path);
    ~WavFileSink() override;

    // Creates (or truncates) the file; `nameSubstring` must be empty or
    // part of the description "WAV file <path>". Anything that is neither a
    // regular file nor a stream is refused at once.
    AudioStatus Open(const std::string& nameSubstring) override;
    AudioStatus Start() override { return AudioStatus::Success(); }
    AudioStatus Write(const std::byte* data, size_t bytes) override;
    void Interrupt() override;
    // Patches the sizes (a file) and closes.
    AudioStatus Close() override;
    bool DropsWhenFull() const override { return false; }
    std::string Description() const override { return "WAV file " + path_; }

    uint64_t DataBytes() const { return dataBytes_; }
    bool IsStream() const { return isStream_; }

private:
    AudioStatus Failure(const char* what, int error) const;
    // Every byte to the output: 0, or the errno that stopped it (ECANCELED:
    // Interrupt); `written` counts what got there.
    int WriteAll(const std::byte* data, size_t bytes, size_t& written);
    // A stream only: waits until the output takes bytes; false once interrupted.
    bool WaitWritable();

    std::string path_;
    files::FileHandle file_;
    bool isStream_ = false;
    uint64_t dataBytes_ = 0;
    // Interrupt's wake-up for a Write waiting on a stream (read end, write end).
    int wake_[2] = {-1, -1};
    std::atomic<bool> interrupted_{false};
};

}  // namespace velorix
