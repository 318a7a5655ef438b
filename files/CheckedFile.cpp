#include "CheckedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace velorix::files {

namespace {

FileProblem::Kind KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return FileProblem::Kind::Directory;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileProblem::Kind::Device;
    if (S_ISFIFO(mode)) return FileProblem::Kind::Pipe;
    return FileProblem::Kind::Socket;
}

bool Fail(FileProblem* problem, FileProblem value) {
    if (problem) *problem = value;
    return false;
}

bool FailErrno(FileProblem* problem) {
    return Fail(problem, {FileProblem::Kind::System, errno, 0, 0});
}

std::string SizeText(std::uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

// Back to blocking mode once the open can no longer wait.
void ClearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

std::FILE* Stream(FileHandle handle, const char* mode, FileProblem* problem) {
    std::FILE* f = ::fdopen(handle.Get(), mode);
    if (f == nullptr) {
        FailErrno(problem);
        return nullptr;
    }
    handle.Release();
    return f;
}

}  // namespace

std::string FileProblem::Reason() const {
    switch (kind) {
        case Kind::System:
            return std::strerror(error);
        case Kind::Directory:
            return "a directory, not a file";
        case Kind::Device:
            return "a device, not a file";
        case Kind::Pipe:
            return "a pipe, not a file";
        case Kind::Socket:
            return "not a regular file";
        case Kind::TooLarge:
            return "larger than " + SizeText(limit) + " (" + std::to_string(size) + " bytes)";
    }
    return {};
}

std::string FileProblem::Describe(const std::string& path) const {
    return path + ": " + Reason();
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        fd_ = other.Release();
    }
    return *this;
}

int FileHandle::Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileHandle::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::optional<OpenedInput> OpenInput(const std::string& path, std::uint64_t limitBytes,
                                     FileProblem* problem) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    FileHandle fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        FailErrno(problem);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        FailErrno(problem);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        Fail(problem, {KindOf(st.st_mode), 0, 0, 0});
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (limitBytes != kNoLimit && size > limitBytes) {
        Fail(problem, {FileProblem::Kind::TooLarge, 0, size, limitBytes});
        return std::nullopt;
    }
    ClearNonBlocking(fd.Get());
    return OpenedInput{std::move(fd), size};
}

std::FILE* OpenInputStream(const std::string& path, std::uint64_t limitBytes,
                           FileProblem* problem) {
    auto in = OpenInput(path, limitBytes, problem);
    return in ? Stream(std::move(in->handle), "rb", problem) : nullptr;
}

std::optional<std::string> ReadInput(const std::string& path, std::uint64_t limitBytes,
                                     FileProblem* problem) {
    auto in = OpenInput(path, limitBytes, problem);
    if (!in) return std::nullopt;
    std::string text;
    // The file may grow after the fstat: never read past the limit.
    const std::uint64_t cap = limitBytes == kNoLimit ? UINT64_MAX : limitBytes;
    text.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(in->size, cap)));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(in->handle.Get(), chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            FailErrno(problem);
            return std::nullopt;
        }
        if (text.size() + static_cast<std::uint64_t>(got) > cap) {
            Fail(problem,
                 {FileProblem::Kind::TooLarge, 0, text.size() + std::uint64_t(got), limitBytes});
            return std::nullopt;
        }
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

std::optional<OpenedOutput> OpenOutput(const std::string& path, const OutputOptions& options,
                                       FileProblem* problem) {
    if (options.stream && path == "-") {
        FileHandle fd(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3));
        if (!fd) {
            FailErrno(problem);
            return std::nullopt;
        }
        struct stat st {};
        const bool regular = ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode);
        return OpenedOutput{std::move(fd), !regular};
    }
    // Look before opening: opening a device may have effects of its own, and
    // O_TRUNC must never reach anything but a regular file.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (options.exclusive) {
            Fail(problem, {FileProblem::Kind::System, EEXIST, 0, 0});
            return std::nullopt;
        }
        if (!S_ISREG(st.st_mode) && !(options.stream && S_ISFIFO(st.st_mode))) {
            Fail(problem, {KindOf(st.st_mode), 0, 0, 0});
            return std::nullopt;
        }
    } else if (errno != ENOENT) {
        FailErrno(problem);
        return std::nullopt;
    }
    int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (options.exclusive) flags |= O_EXCL;
    // O_NONBLOCK: a FIFO without a reader fails with ENXIO instead of waiting.
    FileHandle fd(::open(path.c_str(), flags, options.mode));
    if (!fd) {
        if (errno == ENXIO) {
            Fail(problem, {FileProblem::Kind::Pipe, 0, 0, 0});
        } else {
            FailErrno(problem);
        }
        return std::nullopt;
    }
    // Something else may have taken the name between the look and the open.
    if (::fstat(fd.Get(), &st) != 0) {
        FailErrno(problem);
        return std::nullopt;
    }
    const bool isFifo = S_ISFIFO(st.st_mode);
    if (!S_ISREG(st.st_mode) && !(options.stream && isFifo)) {
        Fail(problem, {KindOf(st.st_mode), 0, 0, 0});
        return std::nullopt;
    }
    if (options.truncate && !isFifo && ::ftruncate(fd.Get(), 0) != 0) {
        FailErrno(problem);
        return std::nullopt;
    }
    ClearNonBlocking(fd.Get());
    return OpenedOutput{std::move(fd), isFifo};
}

std::FILE* OpenOutputStream(const std::string& path, const OutputOptions& options,
                            FileProblem* problem, bool* isStream) {
    auto out = OpenOutput(path, options, problem);
    if (!out) return nullptr;
    if (isStream) *isStream = out->isStream;
    return Stream(std::move(out->handle), "wb", problem);
}

}  // namespace velorix::files
