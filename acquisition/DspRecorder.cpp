#include "DspRecorder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "CheckedFile.h"

namespace velorix {

namespace {
constexpr int kBlockBytes = 1024 * kWavFrameBytes;
constexpr const char* kWriteError = "Recording stopped: disk full or write error";
}  // namespace

CDspRecorder::CDspRecorder(SettingsRecord* settings, Notifier* notifier)
    : settings_(settings), notifier_(notifier) {}

CDspRecorder::~CDspRecorder() {
    Stop();
}

void CDspRecorder::SetRate(double rateKHz) {
    std::lock_guard lock(mutex_);
    rateHz_ = static_cast<std::uint32_t>(std::max(0.0, rateKHz * 1000.0));
}

void CDspRecorder::SetMaxSeconds(double seconds) {
    std::lock_guard lock(mutex_);
    if (rateHz_ == 0) return;
    const double rate = rateHz_;
    const double capped = std::min(seconds, 357913833.33 / rate);
    maxBytes_ = static_cast<std::uint64_t>(std::floor(rate * capped / 1024.0)) * kBlockBytes;
    if (maxBytes_ < kBlockBytes) maxBytes_ = kBlockBytes;  // at least one block per file
}

std::size_t CDspRecorder::WriteBytes(std::FILE* f, const void* data, std::size_t n) {
    return std::fwrite(data, 1, n, f);
}

int CDspRecorder::Start(const std::string& path) {
    std::lock_guard lock(mutex_);
    if (recording_.load()) return 0;
    const WavSeriesName series = ParseWavSeriesPath(path);
    if (WavSeriesFileName(series.base, series.number).size() > kMaxWavPathChars) {
        lastError_ = "Recording path too long";
        return 0;
    }
    base_ = series.base;
    fileNumber_ = series.number;
    const auto parent = std::filesystem::path(base_).parent_path();
    directory_ = parent.empty() ? std::filesystem::current_path().string() : parent.string();
    lastError_ = OpenFile();
    if (!lastError_.empty()) return 0;
    recording_.store(1);
    return 1;
}

std::string CDspRecorder::OpenFile() {
    fileName_ = WavSeriesFileName(base_, fileNumber_);
    // Only a regular file, created or cut: a FIFO or device in the series'
    // place is refused at once instead of holding the caller.
    files::FileProblem problem;
    file_ = files::OpenOutputStream(fileName_, {}, &problem);
    if (file_ == nullptr) return "Can't create " + problem.Describe(fileName_);
    // Unbuffered: every block goes to the disk as it comes, and a full disk
    // is seen at the block that did not fit.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    WavReceiverInfo info;
    if (settings_) {
        info.centerFreqHz = static_cast<std::uint32_t>(settings_->CenterFreq);
        info.rateIdx = static_cast<std::uint32_t>(settings_->DdcSamplingRateIdx);
        info.attenuatorIdx = static_cast<std::uint16_t>(settings_->AttenuatorIdx);
        info.preselector = static_cast<std::int8_t>(settings_->Preselector);
        info.preamp = static_cast<std::int8_t>(settings_->AdcPreamp);
        info.dither = static_cast<std::int8_t>(settings_->AdcDither);
    }
    info.startTime =
        static_cast<std::uint32_t>(clock_ ? clock_()
                                          : std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count());
    header_ = BuildWavHeader(info);
    bytesInFile_.store(0);
    bytesSincePatch_ = 0;
    if (WriteBytes(file_, header_.data(), header_.size()) != header_.size()) {
        const std::string why = "Can't create " + fileName_ + ": " + std::strerror(errno);
        std::fclose(file_);
        file_ = nullptr;
        return why;
    }
    return {};
}

bool CDspRecorder::PatchSizes() {
    SetWavSizes(header_, static_cast<std::uint32_t>(bytesInFile_.load()));
    bool ok = std::fseek(file_, kWavRiffSizeOffset, SEEK_SET) == 0 &&
              WriteBytes(file_, header_.data() + kWavRiffSizeOffset, 4) == 4 &&
              std::fseek(file_, kWavDataSizeOffset, SEEK_SET) == 0 &&
              WriteBytes(file_, header_.data() + kWavDataSizeOffset, 4) == 4;
    ok = std::fseek(file_, 0, SEEK_END) == 0 && ok;
    bytesSincePatch_ = 0;
    return ok;
}

void CDspRecorder::CloseFile() {
    if (file_ == nullptr) return;
    PatchSizes();
    std::fclose(file_);
    file_ = nullptr;
}

void CDspRecorder::Fail(const std::string& why) {
    CloseFile();
    recording_.store(0);
    lastError_ = why;
}

void CDspRecorder::Write(const std::uint8_t* frames, int frameCount) {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        if (!recording_.load() || file_ == nullptr || frameCount <= 0) return;
        const std::size_t bytes = static_cast<std::size_t>(frameCount) * kWavFrameBytes;
        if (bytesInFile_.load() >= maxBytes_) {
            CloseFile();
            ++fileNumber_;
            if (const std::string why = OpenFile(); !why.empty()) {
                Fail(why);
                failure = lastError_;
            }
        }
        if (failure.empty()) {
            errno = 0;
            const std::size_t written = WriteBytes(file_, frames, bytes);
            // Only bytes that reached the file are counted, and a partial
            // block is cut back so the file holds whole frames.
            if (written != bytes) {
                const int err = errno;
                const std::uint64_t whole = written / kWavFrameBytes * kWavFrameBytes;
                bytesInFile_.fetch_add(whole);
                if (whole != written) {
                    std::fflush(file_);
                    std::filesystem::resize_file(fileName_, kWavHeaderBytes + bytesInFile_.load());
                }
                Fail(err != 0 && err != ENOSPC
                         ? std::string("Recording stopped: ") + std::strerror(err)
                         : kWriteError);
                failure = lastError_;
            } else {
                bytesInFile_.fetch_add(bytes);
                bytesSincePatch_ += bytes;
                if (bytesSincePatch_ >= kPatchIntervalSeconds * rateHz_ * kWavFrameBytes)
                    PatchSizes();
            }
        }
    }
    // Told outside the lock: a front end may take its time answering.
    if (!failure.empty() && notifier_)
        notifier_->Notify(failure, "Record Error", Notifier::Icon::Error, Notifier::Buttons::Ok);
}

int CDspRecorder::Stop() {
    std::lock_guard lock(mutex_);
    if (!recording_.load()) return 0;
    CloseFile();
    recording_.store(0);
    return 1;
}

int CDspRecorder::StopFor(const std::string& why) {
    std::lock_guard lock(mutex_);
    if (!recording_.load()) return 0;
    Fail(why);
    return 1;
}

std::string CDspRecorder::CurrentFileName() const {
    std::lock_guard lock(mutex_);
    return fileName_;
}

std::string CDspRecorder::RecordingDirectory() const {
    std::lock_guard lock(mutex_);
    return directory_;
}

std::string CDspRecorder::LastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

}  // namespace velorix
