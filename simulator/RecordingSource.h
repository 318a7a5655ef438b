#pragma once

#include <memory>
#include <string>

#include "CheckedFile.h"
#include "SampleSource.h"

namespace velorix::sim {

// A recording in the program's own format (24-bit stereo WAV with the
// receiver's chunk) as the FPGA's stream: its frames in a loop while the FPGA
// is configured for the recording's rate, zeros at any other rate (said once
// on stderr). The tuning word and the front end change nothing: the band
// stays where it was recorded.
class RecordingSource : public SampleSource {
public:
    // Null, with the reason ("PATH: ...") in `error`, when the file cannot be played.
    static std::unique_ptr<RecordingSource> Open(const std::string& path, std::string& error);

    int RecordedRateKHz() const { return recordedKHz_; }
    uint64_t Frames() const { return frames_; }

    void SetRate(int rateKHz) override;
    void Fill(uint64_t firstFrame, uint8_t* out, size_t frames) override;

private:
    RecordingSource(std::string path, files::FileHandle file, uint64_t frames, int rateKHz)
        : path_(std::move(path)), file_(std::move(file)), frames_(frames), recordedKHz_(rateKHz) {}

    const std::string path_;
    const files::FileHandle file_;
    const uint64_t frames_;  // whole frames of sample data, at least one
    const int recordedKHz_;
    bool playing_ = false;  // the FPGA runs at the recording's rate
    bool told_ = false;
};

}  // namespace velorix::sim
