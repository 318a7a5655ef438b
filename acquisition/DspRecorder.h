#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "Notifier.h"
#include "RawSampleRecorder.h"
#include "SettingsRecord.h"
#include "WavFormat.h"

namespace velorix {

// Records the receiver's raw I/Q stream, as the FPGA delivers it, into a
// series of WAV files "<base>_<nnn>.wav" of at most a given length each.
// Blocks arrive on the acquisition board's worker thread; Start and Stop run
// on the user-interface thread. The recorder's lock keeps a file from being
// closed in the middle of a block.
class CDspRecorder : public RawSampleRecorder {
public:
    // Default maximum per file, the largest below 2^31 bytes at 500 kHz.
    static constexpr std::uint64_t kDefaultMaxBytes = 1799995392;

    // `notifier` (not owned) hears of recordings ended by a write error.
    CDspRecorder(SettingsRecord* settings, Notifier* notifier = nullptr);
    ~CDspRecorder() override;

    // Seconds since 1970, UTC, stamped into each file's header; null (the
    // default): the system clock. Set before Start.
    using Clock = std::function<std::int64_t()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    // The board's output rate in kHz, passed whenever it starts input.
    void SetRate(double rateKHz) override;
    // Maximum bytes per file for `seconds` of the current rate, in whole
    // 6144-byte blocks and below 2^31 bytes.
    void SetMaxSeconds(double seconds);
    // 1 when recording started; 0 when already recording, the path is too
    // long, or the first file cannot be created (LastError says which).
    int Start(const std::string& path);
    // 1 when a recording was stopped.
    int Stop();
    // Stops a recording that cannot go on (no room left), keeping `why` as
    // its LastError. 1 when one was stopped.
    int StopFor(const std::string& why);
    // One raw unit of `frameCount` frames; ignored when not recording.
    void Write(const std::uint8_t* frames, int frameCount) override;

    bool IsRecording() const { return recording_.load(); }
    std::uint64_t BytesInFile() const { return bytesInFile_.load(); }
    std::uint64_t MaxBytesPerFile() const { return maxBytes_; }
    std::string CurrentFileName() const;
    // Directory of the recording, for the free-space readout.
    std::string RecordingDirectory() const;
    // Why the last recording ended early, or empty.
    std::string LastError() const;
    std::string& GetName(std::string& name) const { return name = "CDspRecorder"; }

    // Seconds of recording between two patches of the header sizes, so a
    // crash loses at most this much.
    static constexpr double kPatchIntervalSeconds = 10.0;

protected:
    // The one place bytes reach the disk; returns the count written.
    virtual std::size_t WriteBytes(std::FILE* f, const void* data, std::size_t n);

private:
    std::string OpenFile();             // lock held; empty, or why it failed
    void CloseFile();                   // lock held
    bool PatchSizes();                  // lock held
    void Fail(const std::string& why);  // lock held: close, stop, remember

    SettingsRecord* settings_;
    Notifier* notifier_;
    mutable std::mutex mutex_;
    std::uint32_t rateHz_ = 125000;
    std::uint64_t maxBytes_ = kDefaultMaxBytes;
    std::atomic<std::uint64_t> bytesInFile_{0};
    std::uint64_t bytesSincePatch_ = 0;
    int fileNumber_ = 0;
    std::string base_;
    std::string fileName_;
    std::string directory_;
    std::atomic<int> recording_{0};
    WavHeaderImage header_{};
    std::FILE* file_ = nullptr;
    std::string lastError_;
    Clock clock_;
};

}  // namespace velorix
