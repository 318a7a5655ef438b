#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "CheckedFile.h"
#include "WavFormat.h"

namespace velorix {

// Writes a velorix recording series "<base>_000.wav", "<base>_001.wav" …
// from frames that are already the receiver's, as the recorder would have
// written them: files of at most 600 s in whole blocks of 1024 frames, each
// header with the settings given and the time of its own first sample.
// Nothing is written over unless `overwrite` allows it, and never the file
// `keep` (the recording being read).
class SeriesWriter {
public:
    static constexpr int kBlockFrames = 1024;
    static constexpr double kFileSeconds = 600.0;

    SeriesWriter(std::string base, const WavReceiverInfo& info, bool overwrite,
                 std::string keep = {});
    ~SeriesWriter();
    SeriesWriter(const SeriesWriter&) = delete;
    SeriesWriter& operator=(const SeriesWriter&) = delete;

    // Ends the current file (if any) and starts the next one, whose first
    // sample is at `utc` (seconds since 1970).
    bool StartFile(std::int64_t utc, std::string& error);
    // Appends `count` frames; a file that is full is closed and the next
    // one started, its time following from the samples before it.
    bool Write(const std::uint8_t* frames, std::size_t count, std::string& error);
    // Fills the last block with silence, writes the sizes and closes.
    bool Finish(std::string& error);
    // Deletes every file written so far.
    void RemoveAll();

    const std::vector<std::string>& Files() const { return files_; }
    // Frames in one full file at the series' rate.
    std::uint64_t FramesPerFile() const { return framesPerFile_; }

private:
    bool EndFile(std::string& error);
    bool Put(const void* bytes, std::size_t n, std::string& error);

    std::string base_;
    WavReceiverInfo info_;
    bool overwrite_;
    std::string keep_;
    std::uint32_t rateHz_;
    std::uint64_t framesPerFile_;
    files::FileHandle file_;
    std::vector<std::string> files_;
    std::uint64_t framesInFile_ = 0;
};

}  // namespace velorix
