// Every file the programs and the receiver library read, met by what may
// stand at its name instead of a file: each loader refuses it at once and
// names the file, and none of them waits on it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "AcqBoard.h"
#include "AudioSources.h"
#include "BandScenario.h"
#include "Bitstreams.h"
#include "ListText.h"
#include "RecordingNotifier.h"
#include "SettingsStore.h"
#include "TempDir.h"
#include "UsbLibrary.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

enum Kind { kFifo, kDevice, kDirectory, kSparse, kKinds };
constexpr const char* kKindNames[kKinds] = {"FIFO", "/dev/zero", "directory", "2 GB sparse file"};

void Make(const std::string& path, Kind kind) {
    fs::create_directories(fs::path(path).parent_path());
    if (kind == kFifo) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
    }
    if (kind == kDevice) fs::create_symlink("/dev/zero", path);
    if (kind == kDirectory) fs::create_directory(path);
    if (kind == kSparse) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 2'000'000'000), 0);
        ::close(fd);
    }
}

// The answers of a loader that names the file as `shown`; a 2 GB file gets `large`.
std::array<std::string, kKinds> Refused(const std::string& shown, const std::string& large) {
    return {shown + ": a pipe, not a file", shown + ": a device, not a file",
            shown + ": a directory, not a file", large};
}

std::string TooLarge(const std::string& shown, const char* limit) {
    return shown + ": larger than " + limit + " (2000000000 bytes)";
}

// A loader that waits on its input fails the test instead of hanging it.
extern "C" void Blocked(int) {
    const char text[] = "a file open or read blocked: the test is ended\n";
    [[maybe_unused]] const ssize_t n = ::write(2, text, sizeof text - 1);
    ::_exit(1);
}

// The environment of the test, taken back after everything that reads it has gone.
struct Environment {
    Environment(const std::string& configDir) {
        setenv("VELORIX_DEVICE", "virtual", 1);
        setenv("VELORIX_CONFIG_DIR", configDir.c_str(), 1);
    }
    ~Environment() {
        unsetenv("VELORIX_DEVICE");
        unsetenv("VELORIX_CONFIG_DIR");
    }
};

TEST(EveryInput, AnythingButABoundedRegularFileIsRefusedAtOnceNamingTheFile) {
    test::TempDir dir("every-input");
    const Environment environment(dir / "config");
    // The library's own loaders, behind a receiver whose firmware runs.
    UsbLibrary library;
    std::string error;
    ASSERT_TRUE(library.Load(UsbLibrary::DefaultPath(), error)) << error;
    ASSERT_EQ(library.Open(), 1);
    ASSERT_EQ(library.FirmwareDownload(nullptr), 0);
    CAcqBoard board(library);
    test::RecordingNotifier notes;

    struct Input {
        const char* what;
        std::string path;  // where the hostile thing stands
        std::function<std::string(const std::string& path)> load;
        std::array<std::string, kKinds> expected;
    };
    const std::string rec = dir / "rec.wav", list = dir / "eibi.txt", band = dir / "band.txt",
                      programme = dir / "prog.wav", lib = dir / "libvelorixusb.so",
                      store = dir / "config/Tessaline s.r.l./velorix.conf";
    const std::string keyName = std::string(BitstreamName(0)) + ".key";
    const std::string sbsName = std::string(BitstreamName(0)) + ".sbs";
    // What the program checks before it hands the library a bitstream and its key.
    const auto bitstream = [&](const std::string&) {
        BitstreamKey key{};
        std::string why;
        LoadBitstreamKey(dir.path(), 0, key, why);
        return why;
    };
    const Input inputs[] = {
        {"recording", rec,
         [&](const std::string& p) -> std::string {
             const size_t told = notes.Notices().size();
             if (board.OpenFile(p, notes) == 1) return "opened";
             return notes.Notices().size() > told ? notes.Notices().back().text : "not told";
         },
         Refused(rec, "Wav file not in Velorix format")},
        {"station list", list,
         [](const std::string& p) {
             std::string problem;
             ForEachFileLine(
                 p, [](ListLineView) {}, &problem);
             return problem;
         },
         Refused(list, TooLarge(list, "64 MB"))},
        {"scenario", band, [](const std::string& p) { return sim::LoadScenarioFile(p).error; },
         Refused(band, TooLarge(band, "1 MB"))},
        {"programme", programme,
         [](const std::string& p) {
             std::string why;
             sim::ReadWavAudio(p, why);
             return why;
         },
         Refused(programme, TooLarge(programme, "64 MB"))},
        {"settings store", store, [](const std::string&) { return SettingsStore::FileProblem(); },
         Refused(store, TooLarge(store, "1 MB"))},
        {"bitstream key", dir / keyName, bitstream,
         Refused(keyName, TooLarge(keyName, "64 bytes"))},
        {"bitstream", dir / sbsName, bitstream, Refused(sbsName, TooLarge(sbsName, "16 MB"))},
        // The library answers with its result codes: 1, the file cannot be opened.
        {"library's bitstream",
         dir / "fpga.sbs",
         [&](const std::string& p) {
             return std::to_string(library.FpgaConfig(p.c_str(), nullptr));
         },
         {"1", "1", "1", "1"}},
        {"library's firmware",
         dir / "firmware.hex",
         [&](const std::string& p) { return std::to_string(library.FirmwareDownload(p.c_str())); },
         {"1", "1", "1", "1"}},
        {"receiver library", lib,
         [](const std::string& p) {
             UsbLibrary other;
             std::string why;
             other.Load(p, why);
             return why;
         },
         Refused(lib, lib + ": invalid ELF header")},
    };

    struct sigaction watchdog {};
    watchdog.sa_handler = Blocked;
    ASSERT_EQ(::sigaction(SIGALRM, &watchdog, nullptr), 0);
    for (const Input& in : inputs) {
        for (int kind = 0; kind < kKinds; ++kind) {
            SCOPED_TRACE(std::string(in.what) + " as " + kKindNames[kind]);
            Make(in.path, Kind(kind));
            ::alarm(60);
            EXPECT_EQ(in.load(in.path), in.expected[kind]);
            ::alarm(0);
            fs::remove_all(in.path);
        }
    }
    library.Close();
}

}  // namespace
}  // namespace velorix
