#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "AudioSink.h"

namespace velorix {

// Writes the stream to a WAV file (PCM, 2 channels, 31 250 Hz, 16 bits;
// a 44-byte header whose sizes are patched at Close). Each buffer counts as
// played as soon as it is written, so a file source runs as fast as the
// machine allows. A file never drops data: CWaveOut makes the chain wait.
class WavFileSink : public AudioSink {
public:
    static constexpr int kHeaderBytes = 44;
    // The largest data chunk whose sizes still fit the header's 32-bit fields.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

    explicit WavFileSink(std::string path);
    ~WavFileSink() override;

    // Creates (or truncates) the file; `nameSubstring` must be empty or
    // part of the description "WAV file <path>".
    AudioStatus Open(const std::string& nameSubstring) override;
    AudioStatus Start() override { return AudioStatus::Success(); }
    AudioStatus Write(const std::byte* data, size_t bytes) override;
    void Interrupt() override {}
    // Patches the sizes and closes the file.
    AudioStatus Close() override;
    bool DropsWhenFull() const override { return false; }
    std::string Description() const override { return "WAV file " + path_; }

    uint64_t DataBytes() const { return dataBytes_; }

private:
    AudioStatus Failure(const char* what);

    std::string path_;
    std::FILE* file_ = nullptr;
    uint64_t dataBytes_ = 0;
};

}  // namespace velorix
