#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "AudioPacer.h"
#include "DspBlock.h"
#include "Event.h"
#include "Notifier.h"
#include "RawSampleRecorder.h"
#include "SettingsRecord.h"
#include "UsbLibrary.h"
#include "WavFormat.h"

namespace velorix {

// The head of the receive chain when the receiver is the source. It keeps
// the receiver's control frame (run, dither, preamp, tuning word), collects
// the library's sample blocks in a ring of 64 units of 1024 frames, and on
// a worker thread of its own converts each unit to complex doubles and
// pushes it into the chain under the board's lock. With a recording as the
// source it reads the file instead, paced by the sound card, and pushes it
// through the same conversion.
class CAcqBoard : public CDspBlock, public AudioPacer {
public:
    static constexpr int kUnitFrames = 1024;
    static constexpr int kFrameBytes = 6;
    static constexpr int kUnitBytes = kUnitFrames * kFrameBytes;  // 6144
    static constexpr int kRingUnits = 64;
    static constexpr int kBlockBytesPer125KHz = 16320;  // 32 packets of 510 bytes
    // Raw counts (24-bit value in the top of an int32) to dimensionless samples.
    static constexpr double kSampleScale = 1.0 / 1074000000.0;

    static constexpr std::uint8_t kRunBit = 0x01;
    static constexpr std::uint8_t kDitherBit = 0x02;
    static constexpr std::uint8_t kPreampBit = 0x04;
    static constexpr int kDefaultAdcClockHz = 80000000;

    explicit CAcqBoard(UsbLibrary& library);
    // Stops input and joins the worker; closes a file being played.
    ~CAcqBoard() override;

    // First call: control byte 0x02 (dither on, stopped), tuning word from the
    // stored centre frequency, attenuator 0 and preselector 10 sent. Later
    // calls only update the settings pointer. Returns 1.
    int Open(SettingsRecord* settings);
    bool IsOpen() const { return opened_; }
    bool IsRunning() const { return running_.load(); }

    // Retunes the receiver's down-converter to `centreKHz`.
    void SetFrequency(double centreKHz);
    void SetPreampDither(int preamp, int dither);

    // Starts the library's input with the block size of the current output
    // rate. False when not opened or when the library refuses to start.
    bool Start();
    // Stops input; no block is pushed after it returns.
    void Stop();

    double GetAdcClockKHz() const;
    void SetAdcClockKHz(double kHz);
    void ResetAdcClock();

    int GetOverload() const { return overload_.load(); }
    void ClearOverload() { overload_.store(0); }

    // Null detaches. Set while input is stopped.
    void AttachRecorder(RawSampleRecorder* recorder) { recorder_ = recorder; }

    // Tuning word of the down-converter: trunc(kHz / adcHz × 2^32 × 1000), low 32 bits.
    static std::uint32_t TuningWord(double centreKHz, int adcClockHz);
    // Library block size in bytes for an output rate: (rate / 125) × 16320.
    static int BlockBytesForRate(double rateKHz);

    std::uint8_t ControlByte() const { return frame_[0]; }
    std::uint32_t CurrentTuningWord() const;
    // Units pushed into the chain (from the receiver or a file) since the
    // last Start or StartPlayback.
    std::uint64_t BlocksPushed() const { return pushed_.load(); }
    // Sample bytes the ring had to drop because the worker fell behind, and
    // those of blocks the library lost on the way (a failed read).
    std::uint64_t DroppedBytes() const { return droppedBytes_.load(); }
    int BlockBytes() const { return blockBytes_; }
    // Seconds since the receiver last delivered a block (since Start when it
    // has delivered none); 0 while input is stopped. Any thread.
    double SecondsWithoutBlock() const;

    // The library's callback: one block of BlockBytes() bytes.
    static void InputCallback(unsigned char* block, void* user);
    // Copies one block into the ring; never waits. Reader thread. A null
    // block is one the library lost: counted as dropped.
    void OnBlock(const unsigned char* block, int bytes);

    // File source. OpenFile copies the recording's settings into the settings
    // record; its failures are told through `notifier`, captioned "Open Error".
    int OpenFile(const std::string& path, Notifier& notifier);
    int CloseFile();
    int StartPlayback();
    int StopPlayback();
    // Loops byte offsets [start, end) of the sample data; start == end: the whole file.
    void SetLoop(std::uint64_t start, std::uint64_t end);
    // The first audio output played `frames` frames at `rateHz`; reads ahead
    // again up to a quarter of a second. Completion thread.
    void Played(int frames, double rateHz) override;
    bool IsFileOpen() const;
    bool IsPlaying() const { return file_.playing.load(); }
    // Why the series being played ended before its next file: a file at
    // another rate, or one that is no recording of this receiver ("" when
    // the series ended with its last file). Kept until another file is opened.
    std::string SeriesEnd() const;
    // The same, the first time only, for the one who tells the user.
    std::string TakeSeriesEnd();
    // Set when playback moved on to the next file of a series.
    bool FileSwitched() const { return file_.switched.load(); }
    void ClearFileSwitched() { file_.switched.store(false); }
    // The file being played, read in one piece under the board's lock: playback
    // that continues into the next file of a series changes all of it at once
    // on the completion thread.
    struct PlayingFile {
        std::string name;
        std::int64_t startTime = 0;  // seconds since 1970, UTC
        std::uint64_t dataSize = 0;
        std::uint64_t position = 0;
        bool switched = false;  // as FileSwitched
    };
    PlayingFile CurrentFile() const;
    std::string CurrentFileName() const;
    std::uint64_t FileDataSize() const { return file_.dataSize.load(); }
    std::uint64_t FilePosition() const { return file_.position.load(); }
    std::uint64_t LoopStart() const { return file_.loopStart.load(); }
    std::uint64_t LoopEnd() const { return file_.loopEnd.load(); }
    // At the end of a whole file with no next file in its series, stop
    // instead of starting the file again (a program that plays a file once).
    void SetStopAtEnd(bool on) { file_.stopAtEnd.store(on); }
    // Seconds of audio read ahead of the sound card. The audio output puts
    // eight silent buffers (131 ms) in front of the first block and holds
    // sixteen (262 ms): what is read ahead must fit beside the silence, with
    // room for the chain's own buffering, or the start of a playback
    // overflows the output's queue.
    static constexpr double kReadAheadSeconds = 0.1;

    // CDspBlock
    CDspLock* GetLock() override { return &boardLock_; }
    double GetOutputRate() override;
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CAcqBoard"; }
    // The converted unit is offered to the chain where it is.
    bool PassesThrough() override { return true; }

    // Converts one raw unit of 1024 frames into complex samples; true when
    // its first frame carries the converter's overload mark.
    static bool ConvertUnit(const std::uint8_t* raw, Cpx* out);

private:
    struct FileSource {
        std::FILE* file = nullptr;
        std::unique_ptr<std::uint8_t[]> block;
        WavSeriesName series;
        // Under the board's lock, as `file`: a continuation changes them.
        std::string name;
        std::int64_t startTime = 0;  // seconds since 1970, UTC
        std::uint32_t rateIdx = 0;   // of the series; a file at another rate ends it
        std::atomic<std::uint64_t> dataSize{0};
        std::atomic<std::uint64_t> loopStart{0};
        std::atomic<std::uint64_t> loopEnd{0};
        std::atomic<std::uint64_t> position{0};
        double readAhead = 0.0;  // seconds; under the board's lock
        std::atomic<bool> playing{false};
        std::atomic<bool> switched{false};
        std::atomic<bool> stopAtEnd{false};
        std::string seriesEnd;  // as SeriesEnd(); under the board's lock
        bool seriesEndTold = false;
    };

    // Reads, converts and pushes one block of the file; false when the file
    // holds no whole block to play. Board's lock held.
    bool ReadFileBlock();
    // The loop ended: next file of a whole-file series, then back to the loop
    // start; false when playback is to stop there instead.
    bool WrapLoop();
    bool OpenNextInSeries();
    // Notes why the series ends before file `next` (board's lock held).
    void EndSeriesBefore(const std::string& next, const std::string& why);
    // The file's start time, centre frequency, data size and loop (the whole
    // file). Board's lock held. True when the header's data size was smaller
    // than the whole frames the file holds and was replaced by them.
    bool AdoptHeader(const WavHeader& header, std::uint64_t fileBytes);
    void FillReadAhead();

    void SendControlFrame();
    void Worker();
    void PushUnit(const std::uint8_t* raw);

    UsbLibrary& library_;
    SettingsRecord* settings_ = nullptr;
    bool opened_ = false;
    std::atomic<int> running_{0};
    std::uint8_t frame_[5] = {kDitherBit, 0, 0, 0, 0};

    // Ring shared by the reader (fills, sets ready) and the worker (drains,
    // clears ready). A unit is only written while its ready flag is clear and
    // only read while it is set.
    std::unique_ptr<std::uint8_t[]> ring_;
    std::array<std::atomic<int>, kRingUnits> ready_{};
    int writeIndex_ = 0;  // reader thread only
    int writeFree_ = kUnitBytes;
    int readIndex_ = 0;  // worker only
    int blockBytes_ = 0;

    std::atomic<int> stop_{0};
    Event dataReady_{Event::Reset::Auto};
    std::thread worker_;
    std::atomic<std::uint64_t> pushed_{0};
    std::atomic<std::uint64_t> droppedBytes_{0};
    std::atomic<std::int64_t> lastBlockNs_{0};  // steady clock, at Start and every block
    std::atomic<int> overload_{0};
    RawSampleRecorder* recorder_ = nullptr;
    mutable CDspLock boardLock_;
    FileSource file_;
};

}  // namespace velorix
