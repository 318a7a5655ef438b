#include "RecordingSource.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "WavFormat.h"

namespace velorix::sim {

std::unique_ptr<RecordingSource> RecordingSource::Open(const std::string& path,
                                                       std::string& error) {
    files::FileProblem problem;
    std::optional<files::OpenedInput> input = files::OpenInput(path, files::kNoLimit, &problem);
    if (!input) {
        error = problem.Describe(path);
        return nullptr;
    }
    uint8_t bytes[kWavHeaderBytes];
    WavHeader header;
    const ssize_t got = ::pread(input->handle.Get(), bytes, sizeof bytes, 0);
    if (got < 0 || ParseWavHeader(bytes, size_t(got), header) != WavHeaderStatus::Ok) {
        error = path + ": Wav file not in Velorix format";
        return nullptr;
    }
    // A recording cut short (the recorder's last size update missed) plays
    // what it holds; a header that claims less plays only that.
    const uint64_t held =
        input->size > uint64_t(kWavHeaderBytes) ? input->size - kWavHeaderBytes : 0;
    const uint64_t dataBytes =
        header.dataBytes == 0 ? held : std::min<uint64_t>(header.dataBytes, held);
    const uint64_t frames = dataBytes / kWavFrameBytes;
    if (frames == 0) {
        error = path + ": the recording holds no samples";
        return nullptr;
    }
    const int rateKHz = int(WavRateHz(header.info.rateIdx) / 1000);
    return std::unique_ptr<RecordingSource>(
        new RecordingSource(path, std::move(input->handle), frames, rateKHz));
}

void RecordingSource::SetRate(int rateKHz) {
    playing_ = rateKHz == recordedKHz_;
    if (playing_ || told_) return;
    told_ = true;
    std::fprintf(stderr, "velorix virtual receiver: %s is at %d kHz, the receiver at %d kHz\n",
                 path_.c_str(), recordedKHz_, rateKHz);
}

void RecordingSource::Fill(uint64_t firstFrame, uint8_t* out, size_t frames) {
    constexpr size_t kFrame = size_t(kFrameBytes);
    uint64_t at = firstFrame % frames_;
    while (frames > 0) {
        const size_t run = size_t(std::min<uint64_t>(frames, frames_ - at));
        ssize_t got = 0;
        if (playing_)
            got = ::pread(file_.Get(), out, run * kFrame, off_t(kWavHeaderBytes + at * kFrame));
        // A file cut short while it plays gives silence where its samples are missing.
        if (got < ssize_t(run * kFrame))
            std::memset(out + std::max<ssize_t>(got, 0), 0,
                        run * kFrame - size_t(std::max<ssize_t>(got, 0)));
        out += run * kFrame;
        frames -= run;
        at = 0;
    }
}

}  // namespace velorix::sim
