#include "WavFileSink.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace velorix {

namespace {

void PutLe(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::array<uint8_t, WavFileSink::kHeaderBytes> Header(uint32_t dataBytes) {
    std::array<uint8_t, WavFileSink::kHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    PutLe(&h[4], 36 + dataBytes, 4);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    PutLe(&h[16], 16, 4);                                  // fmt chunk size
    PutLe(&h[20], 1, 2);                                   // PCM
    PutLe(&h[22], kAudioChannels, 2);                      // 2
    PutLe(&h[24], kAudioRateHz, 4);                        // 31 250 frames/s
    PutLe(&h[28], kAudioRateHz * kAudioBytesPerFrame, 4);  // 125 000 bytes/s
    PutLe(&h[32], kAudioBytesPerFrame, 2);                 // block alignment 4
    PutLe(&h[34], 16, 2);                                  // bits per sample
    std::memcpy(&h[36], "data", 4);
    PutLe(&h[40], dataBytes, 4);
    return h;
}

}  // namespace

WavFileSink::WavFileSink(std::string path) : path_(std::move(path)) {}

WavFileSink::~WavFileSink() {
    (void)Close();
}

AudioStatus WavFileSink::Failure(const char* what) {
    return AudioStatus::Fail(AudioError::Other,
                             std::string(what) + " " + path_ + ": " + std::strerror(errno));
}

AudioStatus WavFileSink::Open(const std::string& nameSubstring) {
    if (!DeviceMatches(Description(), nameSubstring))
        return AudioStatus::Fail(AudioError::NotFound, {});
    if (file_ != nullptr) (void)Close();
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ == nullptr) return Failure("Can't create");
    // Unbuffered: a write the disk refuses is seen at the buffer it belongs
    // to, so the sizes patched at Close count only what the file holds.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    dataBytes_ = 0;
    const auto h = Header(0);
    if (std::fwrite(h.data(), 1, h.size(), file_) != h.size()) {
        AudioStatus status = Failure("Can't write");
        std::fclose(file_);
        file_ = nullptr;
        return status;
    }
    return AudioStatus::Success();
}

AudioStatus WavFileSink::Write(const std::byte* data, size_t bytes) {
    if (file_ == nullptr)
        return AudioStatus::Fail(AudioError::Other, "WAV file not open: " + path_);
    if (dataBytes_ + bytes > kMaxDataBytes)
        return AudioStatus::Fail(AudioError::Other,
                                 "WAV file has reached its size limit of 4 GB: " + path_);
    const size_t written = std::fwrite(data, 1, bytes, file_);
    if (written != bytes) {
        AudioStatus status = Failure("Can't write");
        // Whole frames only: a frame cut by a full disk is cut off the file.
        dataBytes_ += written / kAudioBytesPerFrame * kAudioBytesPerFrame;
        if (written % kAudioBytesPerFrame != 0)
            (void)::ftruncate(::fileno(file_), static_cast<off_t>(kHeaderBytes + dataBytes_));
        return status;
    }
    dataBytes_ += bytes;
    return AudioStatus::Success();
}

AudioStatus WavFileSink::Close() {
    if (file_ == nullptr) return AudioStatus::Success();
    AudioStatus status;
    const auto h = Header(static_cast<uint32_t>(dataBytes_));
    // RIFF size at 4, data size at 40; everything between stays as written.
    if (std::fseek(file_, 4, SEEK_SET) != 0 || std::fwrite(&h[4], 1, 4, file_) != 4 ||
        std::fseek(file_, 40, SEEK_SET) != 0 || std::fwrite(&h[40], 1, 4, file_) != 4 ||
        std::fflush(file_) != 0)
        status = Failure("Can't finish");
    if (std::fclose(file_) != 0 && status.Ok()) status = Failure("Can't finish");
    file_ = nullptr;
    return status;
}

}  // namespace velorix
