#include "SeriesWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "OutputFiles.h"

namespace velorix {

SeriesWriter::SeriesWriter(std::string base, const WavReceiverInfo& info, bool overwrite,
                           std::string keep)
    : base_(std::move(base)),
      info_(info),
      overwrite_(overwrite),
      keep_(std::move(keep)),
      rateHz_(WavRateHz(info.rateIdx)),
      // The recorder's length of a file: whole blocks of at most 600 s.
      framesPerFile_(static_cast<std::uint64_t>(rateHz_ * kFileSeconds / kBlockFrames) *
                     kBlockFrames) {}

SeriesWriter::~SeriesWriter() {
    std::string ignored;
    if (file_) EndFile(ignored);
}

bool SeriesWriter::Put(const void* bytes, std::size_t n, std::string& error) {
    if (WriteAll(file_.Get(), bytes, n)) return true;
    error = files_.back() + ": " + std::strerror(errno);
    return false;
}

bool SeriesWriter::StartFile(std::int64_t utc, std::string& error) {
    if (file_ && !EndFile(error)) return false;
    const std::string name = WavSeriesFileName(base_, static_cast<int>(files_.size()));
    std::error_code same;
    if (!keep_.empty() && std::filesystem::equivalent(name, keep_, same)) {
        error = name + ": the recording being read";
        return false;
    }
    files::FileProblem problem;
    auto out = files::OpenOutput(name, {.exclusive = !overwrite_}, &problem);
    if (!out) {
        error = OutputRefused(problem, name);
        return false;
    }
    file_ = std::move(out->handle);
    files_.push_back(name);
    framesInFile_ = 0;
    info_.startTime = static_cast<std::uint32_t>(utc);
    const WavHeaderImage header = BuildWavHeader(info_);
    return Put(header.data(), header.size(), error);
}

bool SeriesWriter::Write(const std::uint8_t* frames, std::size_t count, std::string& error) {
    while (count > 0) {
        if (framesInFile_ == framesPerFile_) {
            const double seconds = static_cast<double>(framesInFile_) / rateHz_;
            if (!StartFile(info_.startTime + std::llround(seconds), error)) return false;
        }
        const std::size_t n = static_cast<std::size_t>(
            std::min<std::uint64_t>(count, framesPerFile_ - framesInFile_));
        if (!Put(frames, n * kWavFrameBytes, error)) return false;
        framesInFile_ += n;
        frames += n * kWavFrameBytes;
        count -= n;
    }
    return true;
}

bool SeriesWriter::EndFile(std::string& error) {
    // Playback reads whole blocks: the last one is filled with silence.
    static const std::uint8_t kSilence[kBlockFrames * kWavFrameBytes] = {};
    const std::uint64_t partial = framesInFile_ % kBlockFrames;
    bool ok = partial == 0 || Put(kSilence, (kBlockFrames - partial) * kWavFrameBytes, error);
    if (ok) {
        framesInFile_ += partial == 0 ? 0 : kBlockFrames - partial;
        WavHeaderImage header = BuildWavHeader(info_);
        SetWavSizes(header, static_cast<std::uint32_t>(framesInFile_ * kWavFrameBytes));
        ok = ::pwrite(file_.Get(), header.data(), header.size(), 0) ==
             static_cast<ssize_t>(header.size());
        if (!ok) error = files_.back() + ": " + std::strerror(errno);
    }
    if (ok && ::close(file_.Release()) != 0) {
        error = files_.back() + ": " + std::strerror(errno);
        ok = false;
    }
    file_.Reset();
    return ok;
}

bool SeriesWriter::Finish(std::string& error) {
    return !file_ || EndFile(error);
}

void SeriesWriter::RemoveAll() {
    file_.Reset();
    for (const std::string& name : files_)
        ::unlink(name.c_str());
    files_.clear();
}

}  // namespace velorix
