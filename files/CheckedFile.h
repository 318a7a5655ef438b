#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// One rule for every file the programs and the library open.
//
// An input is opened without waiting (a FIFO without a writer never holds the
// caller) and only a regular file is taken: a directory, device, pipe or
// socket is refused before a byte is read. A text input larger than its limit
// is refused too. An output is refused at once when something other than a
// regular file stands at its name, so that no open or write blocks on a pipe
// or disappears into a device; only a stream output also takes "-" (standard
// output) and a FIFO that has a reader.
//
// Every function is safe to call from any thread and never throws.
namespace velorix::files {

// The largest size of each kind of text input.
inline constexpr std::uint64_t kSettingsLimit = 1u << 20;
inline constexpr std::uint64_t kKeyLimit = 64;
inline constexpr std::uint64_t kFirmwareHexLimit = 1u << 20;
inline constexpr std::uint64_t kStationListLimit = 64u << 20;
inline constexpr std::uint64_t kScenarioLimit = 1u << 20;
// A programme is audio: a WAV file that is read whole into memory.
inline constexpr std::uint64_t kProgrammeLimit = 64u << 20;
// A SigMF recording's metadata: JSON, mostly its annotations.
inline constexpr std::uint64_t kSigmfMetaLimit = 16u << 20;
// A bitstream is streamed to the FPGA 63 bytes a transfer: one far beyond
// any FPGA of the receiver's class would hold start-up for hours.
inline constexpr std::uint64_t kBitstreamLimit = 16u << 20;
// Recordings are refused for what they hold, never for size.
inline constexpr std::uint64_t kNoLimit = 0;

// Why a file was refused.
struct FileProblem {
    enum class Kind {
        System,     // open or fstat failed: `error` holds errno
        Directory,  // a directory stands at the name
        Device,     // a character or block device
        Pipe,       // a FIFO (an output: one without a reader)
        Socket,     // a socket or other non-regular file
        TooLarge,   // larger than the input's limit
    };
    Kind kind = Kind::System;
    int error = 0;
    std::uint64_t size = 0;   // TooLarge: the file's size
    std::uint64_t limit = 0;  // TooLarge: the limit

    // The reason in the system's own words, without the file's name:
    // "No such file or directory", "a directory, not a file",
    // "larger than 1 MB (2147483648 bytes)".
    std::string Reason() const;
    // "PATH: <reason>".
    std::string Describe(const std::string& path) const;
    // No file can stand at the name (it is not there, or a folder on its way
    // is a file): an optional input is simply absent.
    bool Missing() const { return kind == Kind::System && (error == ENOENT || error == ENOTDIR); }
};

// A file descriptor owned by one object and closed with it.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { Reset(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Hands the descriptor to the caller, who closes it.
    int Release();
    void Reset();

private:
    int fd_ = -1;
};

struct OpenedInput {
    FileHandle handle;
    std::uint64_t size = 0;
};

// Opens an input for reading (blocking reads, close-on-exec). A non-regular
// file, or one larger than `limitBytes` (kNoLimit: any size), is refused.
std::optional<OpenedInput> OpenInput(const std::string& path, std::uint64_t limitBytes,
                                     FileProblem* problem = nullptr);

// The same as a stdio stream ("rb"); the caller closes it with fclose.
std::FILE* OpenInputStream(const std::string& path, std::uint64_t limitBytes,
                           FileProblem* problem = nullptr);

// The whole of a small input.
std::optional<std::string> ReadInput(const std::string& path, std::uint64_t limitBytes,
                                     FileProblem* problem = nullptr);

struct OutputOptions {
    // Cut an existing regular file to zero length; false: write over it in place.
    bool truncate = true;
    // Refuse when anything at all exists at the name.
    bool exclusive = false;
    // Also take "-" (standard output, duplicated) and a FIFO with a reader.
    bool stream = false;
    mode_t mode = 0666;
};

struct OpenedOutput {
    FileHandle handle;
    // A pipe or standard output: it cannot seek, so a header cannot be
    // rewritten once it is sent.
    bool isStream = false;
};

// Opens an output for writing (blocking writes, close-on-exec).
std::optional<OpenedOutput> OpenOutput(const std::string& path, const OutputOptions& options,
                                       FileProblem* problem = nullptr);

// The same as a stdio stream ("wb"); `isStream` tells a pipe from a file.
std::FILE* OpenOutputStream(const std::string& path, const OutputOptions& options,
                            FileProblem* problem = nullptr, bool* isStream = nullptr);

}  // namespace velorix::files
