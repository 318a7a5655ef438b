#include "WavFileSink.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

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

WavFileSink::WavFileSink(std::string path) : path_(std::move(path)) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

WavFileSink::~WavFileSink() {
    (void)Close();
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

AudioStatus WavFileSink::Failure(const char* what, int error) const {
    return AudioStatus::Fail(AudioError::Other,
                             std::string(what) + " " + path_ + ": " + std::strerror(error));
}

AudioStatus WavFileSink::Open(const std::string& nameSubstring) {
    if (!DeviceMatches(Description(), nameSubstring))
        return AudioStatus::Fail(AudioError::NotFound, {});
    if (file_) (void)Close();
    files::FileProblem problem;
    auto out = files::OpenOutput(path_, {.stream = true}, &problem);
    if (!out)
        return AudioStatus::Fail(AudioError::Other, "Can't create " + problem.Describe(path_));
    file_ = std::move(out->handle);
    isStream_ = out->isStream;
    interrupted_.store(false);
    char drained[16];
    while (wake_[0] >= 0 && ::read(wake_[0], drained, sizeof drained) > 0) {
    }
    dataBytes_ = 0;
    auto h = Header(0);
    if (isStream_) {
        PutLe(&h[4], kUnknownSize, 4);
        PutLe(&h[40], kUnknownSize, 4);
    }
    size_t written = 0;
    if (const int error = WriteAll(reinterpret_cast<const std::byte*>(h.data()), h.size(), written);
        error != 0) {
        file_.Reset();
        return Failure("Can't write", error);
    }
    return AudioStatus::Success();
}

bool WavFileSink::WaitWritable() {
    pollfd fds[2] = {{file_.Get(), POLLOUT, 0}, {wake_[0], POLLIN, 0}};
    while (!interrupted_.load()) {
        // A reader that went away shows as POLLERR: the write then says EPIPE.
        if (::poll(fds, wake_[0] >= 0 ? 2 : 1, -1) > 0 && fds[1].revents == 0) return true;
    }
    return false;
}

int WavFileSink::WriteAll(const std::byte* data, size_t bytes, size_t& written) {
    // A pipe whose reader went away answers EPIPE and raises SIGPIPE, which
    // would end the program: the signal is held for the write and taken back.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    if (isStream_) pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    int error = 0;
    written = 0;
    while (written < bytes) {
        if (isStream_ && !WaitWritable()) {
            error = ECANCELED;
            break;
        }
        // At most PIPE_BUF once a pipe has room: that much never waits.
        const size_t chunk =
            isStream_ ? std::min<size_t>(bytes - written, PIPE_BUF) : bytes - written;
        const ssize_t n = ::write(file_.Get(), data + written, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (isStream_) {
        if (error == EPIPE) {
            const timespec now{};
            (void)sigtimedwait(&pipeSignal, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    return error;
}

AudioStatus WavFileSink::Write(const std::byte* data, size_t bytes) {
    if (!file_) return AudioStatus::Fail(AudioError::Other, "WAV file not open: " + path_);
    if (!isStream_ && dataBytes_ + bytes > kMaxDataBytes)
        return AudioStatus::Fail(AudioError::Other,
                                 "WAV file has reached its size limit of 4 GB: " + path_);
    size_t written = 0;
    const int error = WriteAll(data, bytes, written);
    if (error == ECANCELED)
        return AudioStatus::Fail(AudioError::Other,
                                 "Can't write " + path_ + ": the reader stopped taking the audio");
    if (error != 0) {
        // Whole frames only: a frame cut by a full disk is cut off the file.
        dataBytes_ += written / kAudioBytesPerFrame * kAudioBytesPerFrame;
        if (!isStream_ && written % kAudioBytesPerFrame != 0)
            (void)::ftruncate(file_.Get(), static_cast<off_t>(kHeaderBytes + dataBytes_));
        return Failure("Can't write", error);
    }
    dataBytes_ += bytes;
    return AudioStatus::Success();
}

void WavFileSink::Interrupt() {
    interrupted_.store(true);
    if (wake_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &byte, 1);
    }
}

AudioStatus WavFileSink::Close() {
    if (!file_) return AudioStatus::Success();
    AudioStatus status;
    if (!isStream_) {
        const auto h = Header(static_cast<uint32_t>(dataBytes_));
        // RIFF size at 4, data size at 40; everything between stays as written.
        if (::pwrite(file_.Get(), &h[4], 4, 4) != 4 || ::pwrite(file_.Get(), &h[40], 4, 40) != 4)
            status = Failure("Can't finish", errno);
    }
    if (::close(file_.Release()) != 0 && status.Ok()) status = Failure("Can't finish", errno);
    return status;
}

}  // namespace velorix
