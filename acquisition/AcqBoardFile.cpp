// The acquisition board's file source: a recording played in place of the
// receiver, paced by the first audio output.
#include <sys/types.h>

#include <algorithm>
#include <cstdio>

#include "AcqBoard.h"
#include "CheckedFile.h"

namespace velorix {

namespace {

constexpr const char* kOpenError = "Open Error";
constexpr std::uint32_t kMaxCentreHz = 40000000;  // the settings' range

void Tell(Notifier& n, const std::string& text) {
    n.Notify(text, kOpenError, Notifier::Icon::Warning, Notifier::Buttons::Ok);
}

// Opens a recording for reading. Only a regular file is taken, of any size:
// the open never waits for a FIFO's writer, and a device or directory is
// refused before anything is read from it.
std::FILE* OpenRecording(const std::string& path, files::FileProblem& problem) {
    std::FILE* f = files::OpenInputStream(path, files::kNoLimit, &problem);
    // Playback reads 6144-byte units one by one; a large stream buffer turns
    // them into few system calls when a file plays faster than real time.
    if (f != nullptr) std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
    return f;
}

// Reads and checks the header of an open file; the file's size in `bytes`.
WavHeaderStatus ReadHeader(std::FILE* f, WavHeader& header, std::uint64_t& bytes) {
    std::uint8_t raw[kWavHeaderBytes];
    if (fseeko(f, 0, SEEK_END) != 0) return WavHeaderStatus::TooShort;
    const off_t size = ftello(f);
    bytes = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    if (fseeko(f, 0, SEEK_SET) != 0) return WavHeaderStatus::TooShort;
    const std::size_t got = std::fread(raw, 1, sizeof raw, f);
    return ParseWavHeader(raw, got, header);
}

}  // namespace

bool CAcqBoard::IsFileOpen() const {
    DspLockGuard guard(&boardLock_);
    return file_.file != nullptr;
}

CAcqBoard::PlayingFile CAcqBoard::CurrentFile() const {
    DspLockGuard guard(&boardLock_);
    return {file_.name, file_.startTime, file_.dataSize.load(), file_.position.load(),
            file_.switched.load()};
}

std::string CAcqBoard::CurrentFileName() const {
    DspLockGuard guard(&boardLock_);
    return file_.name;
}

bool CAcqBoard::AdoptHeader(const WavHeader& header, std::uint64_t fileBytes) {
    file_.startTime = header.info.startTime;
    if (settings_) {
        settings_->CenterFreq =
            static_cast<int>(std::min<std::uint32_t>(header.info.centerFreqHz, kMaxCentreHz));
        settings_->recordingTime = static_cast<std::time_t>(header.info.startTime);
        settings_->fileStartTime.store(header.info.startTime);
    }
    const std::uint64_t data = WavPlayableBytes(header.dataBytes, fileBytes);
    const bool mended = data > header.dataBytes;
    file_.dataSize.store(data);
    file_.loopStart.store(0);
    file_.loopEnd.store(data);
    file_.position.store(0);
    return mended;
}

int CAcqBoard::OpenFile(const std::string& path, Notifier& notifier) {
    if (IsFileOpen()) return 0;
    if (path.size() > kMaxWavPathChars) {
        Tell(notifier, "File name too long");
        return 0;
    }
    files::FileProblem problem;
    std::FILE* f = OpenRecording(path, problem);
    if (f == nullptr) {
        // Something that is no file at all is named with what it is.
        Tell(notifier, problem.kind == files::FileProblem::Kind::System ? "Can't open file"
                                                                        : problem.Describe(path));
        return 0;
    }
    WavHeader header;
    std::uint64_t bytes = 0;
    switch (ReadHeader(f, header, bytes)) {
        case WavHeaderStatus::TooShort:
            std::fclose(f);
            Tell(notifier, "Can't read wav header");
            return 0;
        case WavHeaderStatus::NotReceiverFormat:
            std::fclose(f);
            Tell(notifier, "Wav file not in Velorix format");
            return 0;
        case WavHeaderStatus::Ok:
            break;
    }
    if (settings_) {
        settings_->DdcSamplingRateIdx = static_cast<int>(header.info.rateIdx);
        settings_->AttenuatorIdx = header.info.attenuatorIdx;
        settings_->Preselector = header.info.preselector;
        settings_->AdcPreamp = header.info.preamp;
        settings_->AdcDither = header.info.dither;
    }
    const std::uint64_t claimed = header.dataBytes;
    bool mended = false;
    std::uint64_t played = 0;
    {
        DspLockGuard guard(&boardLock_);
        file_.file = f;
        file_.block = std::make_unique<std::uint8_t[]>(kUnitBytes);
        file_.series = ParseWavSeriesPath(path);
        file_.name = path;
        file_.rateIdx = header.info.rateIdx;
        file_.playing.store(false);
        file_.switched.store(false);
        file_.seriesEnd.clear();
        file_.seriesEndTold = false;
        mended = AdoptHeader(header, bytes);
        played = file_.dataSize.load();
        if (settings_) settings_->Clamp();  // a recording never indexes a table out of bounds
        Restart();
    }
    // Told outside the board's lock: a notice may wait for its answer.
    if (mended) {
        char text[160];
        std::snprintf(
            text, sizeof text, "The header gives %llu data bytes; playing the %llu the file holds",
            static_cast<unsigned long long>(claimed), static_cast<unsigned long long>(played));
        notifier.Notify(text, "Wav Header", Notifier::Icon::Warning, Notifier::Buttons::Ok);
    }
    return 1;
}

int CAcqBoard::CloseFile() {
    DspLockGuard guard(&boardLock_);
    file_.playing.store(false);
    if (file_.file != nullptr) std::fclose(file_.file);
    file_.file = nullptr;
    file_.block.reset();
    return 1;
}

int CAcqBoard::StartPlayback() {
    DspLockGuard guard(&boardLock_);
    if (file_.file == nullptr) return 0;
    Restart();
    file_.readAhead = 0.0;
    file_.playing.store(false);
    pushed_.store(0);
    fseeko(file_.file, kWavHeaderBytes + static_cast<off_t>(file_.loopStart.load()), SEEK_SET);
    file_.position.store(file_.loopStart.load());
    file_.playing.store(true);
    FillReadAhead();
    return 1;
}

int CAcqBoard::StopPlayback() {
    file_.playing.store(false);
    return 1;
}

void CAcqBoard::SetLoop(std::uint64_t start, std::uint64_t end) {
    DspLockGuard guard(&boardLock_);
    if (file_.file == nullptr) return;
    const std::uint64_t size = file_.dataSize.load();
    start = std::min(start, size) / kFrameBytes * kFrameBytes;
    end = std::min(end, size) / kFrameBytes * kFrameBytes;
    if (start > end) std::swap(start, end);
    if (start == end) {
        start = 0;
        end = size;
    }
    file_.loopStart.store(start);
    file_.loopEnd.store(end);
    fseeko(file_.file, kWavHeaderBytes + static_cast<off_t>(start), SEEK_SET);
    file_.position.store(start);
}

void CAcqBoard::Played(int frames, double rateHz) {
    if (!file_.playing.load() || rateHz <= 0.0) return;
    DspLockGuard guard(&boardLock_);
    if (!file_.playing.load() || file_.file == nullptr) return;
    file_.readAhead -= frames / rateHz;
    FillReadAhead();
}

void CAcqBoard::FillReadAhead() {
    while (file_.playing.load() && file_.readAhead < kReadAheadSeconds) {
        if (!ReadFileBlock()) {
            file_.playing.store(false);  // nothing whole left to play
            return;
        }
    }
}

bool CAcqBoard::ReadFileBlock() {
    // A block that would cross the loop end, or a read that comes up short,
    // ends the loop: playback never leaves the stretch and never spins on a
    // block that is not there. Two tries: after the wrap there must be one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::uint64_t pos = file_.position.load();
        if (pos + kUnitBytes > file_.loopEnd.load() ||
            std::fread(file_.block.get(), 1, kUnitBytes, file_.file) !=
                static_cast<std::size_t>(kUnitBytes)) {
            if (!WrapLoop()) return false;
            continue;
        }
        file_.position.store(pos + kUnitBytes);
        PushUnit(file_.block.get());
        const double rateHz = GetOutputRate() * 1000.0;
        file_.readAhead += kUnitFrames / rateHz;
        return true;
    }
    return false;
}

bool CAcqBoard::WrapLoop() {
    const bool wholeFile =
        file_.loopStart.load() == 0 && file_.loopEnd.load() == file_.dataSize.load();
    if (wholeFile && !OpenNextInSeries() && file_.stopAtEnd.load()) return false;
    fseeko(file_.file, kWavHeaderBytes + static_cast<off_t>(file_.loopStart.load()), SEEK_SET);
    file_.position.store(file_.loopStart.load());
    return true;
}

bool CAcqBoard::OpenNextInSeries() {
    const std::string next = WavSeriesFileName(file_.series.base, file_.series.number + 1);
    if (next.size() > kMaxWavPathChars) return false;
    files::FileProblem problem;
    std::FILE* f = OpenRecording(next, problem);
    if (f == nullptr) {
        // No next file is the series' own end; one that is there but cannot
        // be read ends it early.
        if (!problem.Missing()) EndSeriesBefore(next, "it cannot be opened");
        return false;
    }
    WavHeader header;
    std::uint64_t bytes = 0;
    // The chain is not re-routed from here: a file at another rate ends the
    // series, and the user is told why.
    if (ReadHeader(f, header, bytes) != WavHeaderStatus::Ok) {
        std::fclose(f);
        EndSeriesBefore(next, "it is not a recording of this receiver");
        return false;
    }
    if (header.info.rateIdx != file_.rateIdx) {
        std::fclose(f);
        char why[96];
        std::snprintf(why, sizeof why, "it is recorded at %u kHz, the series at %u kHz",
                      WavRateHz(header.info.rateIdx) / 1000, WavRateHz(file_.rateIdx) / 1000);
        EndSeriesBefore(next, why);
        return false;
    }
    std::fclose(file_.file);
    file_.file = f;
    file_.series.number += 1;
    file_.name = next;
    AdoptHeader(header, bytes);
    file_.switched.store(true);
    return true;
}

void CAcqBoard::EndSeriesBefore(const std::string& next, const std::string& why) {
    const std::string text = "The series ends before " + next + ": " + why;
    // A file that plays in a loop meets the same end every time: told once.
    if (text == file_.seriesEnd) return;
    file_.seriesEnd = text;
    file_.seriesEndTold = false;
}

std::string CAcqBoard::SeriesEnd() const {
    DspLockGuard guard(&boardLock_);
    return file_.seriesEnd;
}

std::string CAcqBoard::TakeSeriesEnd() {
    DspLockGuard guard(&boardLock_);
    if (file_.seriesEndTold) return {};
    file_.seriesEndTold = true;
    return file_.seriesEnd;
}

}  // namespace velorix
