// velorix-cli against inputs that are not what they should be and a receiver
// or disk that lets it down: it never hangs, and it never ends with success
// after something was lost.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "E2eSupport.h"
#include "TempDir.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs velorix-cli in `dir` with `env` ("NAME=value" each) and a time limit
// of 30 s: a run that hangs is killed (code 124, or 137 when it ignores SIGTERM). `before` runs in
// the shell first, in the background (a plug file removed later).
e2e::RunResult RunIn(const std::string& dir, const std::vector<std::string>& env,
                     const std::vector<std::string>& args, const std::string& before = "") {
    std::string script = "cd " + Quoted(dir) + " && ";
    if (!before.empty()) script += "(" + before + ") & ";
    script += "exec env";
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on `"literal" + temporary`.
    for (const auto& e : env)
        script.append(" ").append(Quoted(e));
    script.append(" timeout -k 5 30 ").append(Quoted(e2e::CliPath()));
    for (const auto& a : args)
        script.append(" ").append(Quoted(a));
    return e2e::RunProgram("sh", {"-c", script});
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(HostileInputs, OutputsThatAreNoRegularFileAreRefusedAtOnceAndFilesAreWrittenOver) {
    test::TempDir dir("outputs");
    const std::string audio = (dir / "ok.wav");
    // What stands at the output's name, and the reason the run gives.
    enum class Kind { Fifo, Device, Directory };
    const std::pair<Kind, const char*> kinds[] = {{Kind::Fifo, "a pipe, not a file"},
                                                  {Kind::Device, "a device, not a file"},
                                                  {Kind::Directory, "a directory, not a file"}};
    struct Output {
        std::vector<std::string> paths;  // the files the run would write
        std::vector<std::string> args;   // the run
        std::vector<std::string> told;   // what it says of each, before the reason
    };
    const std::string take = (dir / "take"), syn = (dir / "syn"), wav = (dir / "out.wav"),
                      waterfall = (dir / "w.png"), spectrum = (dir / "s.png");
    const Output outputs[] = {
        {{wav}, {"--seconds", "0.3", "--audio-out", wav}, {"WaveOut warning: Can't create " + wav}},
        {{take + "_000.wav"},
         {"--seconds", "0.3", "--audio-out", audio, "--record", take, "--overwrite"},
         {"Record Error error: Can't create " + take + "_000.wav"}},
        {{syn + "_000.wav"},
         {"--synthesize", syn, "--seconds", "0.1"},
         {"cannot create a recording at " + syn + ": Can't create " + syn + "_000.wav"}},
        {{waterfall, spectrum},
         {"--seconds", "0.3", "--audio-out", audio, "--waterfall", waterfall, "--spectrum",
          spectrum},
         {"cannot write the waterfall to " + waterfall,
          "cannot write the spectrum to " + spectrum}},
    };
    for (const Output& out : outputs) {
        for (const auto& [kind, reason] : kinds) {
            for (const std::string& path : out.paths) {
                if (kind == Kind::Fifo) {
                    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
                }
                if (kind == Kind::Device) fs::create_symlink("/dev/zero", path);
                if (kind == Kind::Directory) fs::create_directory(path);
            }
            const e2e::RunResult r = RunIn((dir / ""), {}, out.args);
            EXPECT_EQ(r.code, 1) << out.paths[0] << " " << reason << "\n" << r.err;
            for (const std::string& told : out.told)
                EXPECT_TRUE(Has(r.err, told + ": " + reason)) << r.err;
            for (const std::string& path : out.paths)
                fs::remove_all(path);
        }
    }

    // A 2 GB regular file at every output's name is written over, not grown.
    const std::vector<std::string> files = {wav, take + "_000.wav", syn + "_000.wav", waterfall,
                                            spectrum};
    for (const std::string& path : files) {
        std::ofstream(path).close();
        fs::resize_file(path, 2'000'000'000);
    }
    EXPECT_EQ(RunIn((dir / ""), {}, outputs[2].args).code, 0);
    const e2e::RunResult all =
        RunIn((dir / ""), {},
              {"--seconds", "0.3", "--audio-out", wav, "--record", take, "--overwrite",
               "--waterfall", waterfall, "--spectrum", spectrum});
    EXPECT_EQ(all.code, 0) << all.err;
    for (const std::string& path : files)
        EXPECT_LT(fs::file_size(path), 10'000'000u) << path;
}

// Reads a FIFO from before the program opens it until the program closes it,
// or goes away after `limit` bytes. The program never inherits this end.
class FifoReader {
public:
    explicit FifoReader(const std::string& path, size_t limit = SIZE_MAX)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)), limit_(limit) {
        thread_ = std::thread([this] { Read(); });
    }
    ~FifoReader() { Bytes(); }
    const std::string& Bytes() {
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return bytes_;
    }

private:
    void Read() {
        // No POLLHUP before a writer came: it waits for the program (a minute
        // at most, so that a program that never comes fails the test).
        pollfd p{fd_, POLLIN, 0};
        char chunk[65536];
        while (bytes_.size() < limit_ && ::poll(&p, 1, 60000) > 0) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n == 0) return;
            if (n > 0) bytes_.append(chunk, static_cast<size_t>(n));
        }
        ::close(fd_);
        fd_ = -1;
    }
    int fd_;
    size_t limit_;
    std::string bytes_;
    std::thread thread_;
};

TEST(HostileInputs, AudioStreamsToStandardOutputOrAFifoWithAReaderAsAWavOfUnknownSize) {
    test::TempDir dir("stream");
    // A recording played as fast as the machine allows gives the same audio every time.
    const std::string rec =
        e2e::Synthesize(dir, "station freq=10000000 mode=AM level=-50 audio=tone:1000\n", 10000000,
                        2.0, {"--rate", "125"});
    ASSERT_FALSE(rec.empty());
    const std::vector<std::string> play = {"--source", rec, "--audio-out"};
    auto run = [&](const std::string& out) {
        std::vector<std::string> args = play;
        args.push_back(out);
        return RunIn((dir / ""), {}, args);
    };
    ASSERT_EQ(run((dir / "file.wav")).code, 0);
    const auto file = test::ReadAll((dir / "file.wav"));
    ASSERT_GT(file.size(), 44u + 4 * 10000);
    const std::string data(file.begin() + 44, file.end());

    const e2e::RunResult toStdout = run("-");
    EXPECT_EQ(toStdout.code, 0) << toStdout.err;
    EXPECT_TRUE(Has(toStdout.err, "summary:")) << toStdout.err;  // the text goes aside

    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    FifoReader reader((dir / "fifo"));
    const e2e::RunResult toFifo = run((dir / "fifo"));
    EXPECT_EQ(toFifo.code, 0) << toFifo.err;

    for (const std::string& streamed : {toStdout.out, reader.Bytes()}) {
        ASSERT_GT(streamed.size(), 44u);
        const std::vector<std::uint8_t> head(streamed.begin(), streamed.begin() + 44);
        EXPECT_EQ(test::Le32(head, 4), 0xFFFFFFFFu);   // RIFF size: unknown
        EXPECT_EQ(test::Le32(head, 40), 0xFFFFFFFFu);  // data size: unknown
        EXPECT_EQ(std::string(head.begin() + 12, head.begin() + 40),
                  std::string(file.begin() + 12, file.begin() + 40));
        // Every frame the file holds, and nothing else.
        EXPECT_EQ((streamed.size() - 44) / 4, data.size() / 4);
        EXPECT_TRUE(streamed.compare(44, std::string::npos, data) == 0);
    }

    // A reader that goes away loses the rest (2 s of audio are four times what
    // a pipe holds): the run says so and fails, without being killed by SIGPIPE.
    FifoReader leaving((dir / "fifo"), 1000);
    const e2e::RunResult cut = run((dir / "fifo"));
    EXPECT_EQ(cut.code, 1) << cut.err;
    EXPECT_TRUE(Has(cut.err, "Can't write " + (dir / "fifo") + ": Broken pipe")) << cut.err;
    EXPECT_TRUE(Has(cut.out, "summary:")) << cut.out;
}

TEST(HostileInputs, AReceiverThatStopsDeliveringOrIsRemovedEndsTheRunWithCodeOne) {
    test::TempDir dir("receiver");
    const std::string plug = dir.Write("plugged", "");
    const e2e::RunResult stalled = RunIn((dir / ""), {"VELORIX_VIRTUAL_FAULTS=stall-reads"},
                                         {"--seconds", "30", "--audio-out", (dir / "a.wav")});
    EXPECT_EQ(stalled.code, 1) << stalled.err;
    EXPECT_TRUE(Has(stalled.err, "the receiver delivered no usable block for 10 s")) << stalled.err;
    EXPECT_TRUE(Has(stalled.out, "summary:\n  signal    0.0 s")) << stalled.out;

    // Unplugged 5 s into the run: told, with the summary so far, long before its 30 s.
    const e2e::RunResult removed =
        RunIn((dir / ""), {"VELORIX_VIRTUAL_PLUG=" + plug},
              {"--seconds", "30", "--audio-out", (dir / "b.wav")}, "sleep 5; rm " + Quoted(plug));
    EXPECT_EQ(removed.code, 1) << removed.err;
    EXPECT_TRUE(Has(removed.err, "velorix-cli: the receiver was removed")) << removed.err;
    EXPECT_TRUE(Has(removed.out, "summary:")) << removed.out;
    EXPECT_FALSE(Has(removed.out, "signal    30.0 s")) << removed.out;
}

TEST(HostileInputs, LostAudioOrAnEndedRecordingIsNeverASuccess) {
    test::TempDir dir("losses");
    // An existing recording is not written over unasked.
    dir.Write("take_000.wav", "earlier");
    const std::vector<std::string> record = {"--seconds",     "0.5",      "--audio-out",
                                             (dir / "a.wav"), "--record", (dir / "take")};
    const e2e::RunResult refused = RunIn((dir / ""), {}, record);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(Has(refused.err, "take_000.wav already exists: give --overwrite to record over it"))
        << refused.err;
    EXPECT_EQ(fs::file_size((dir / "take_000.wav")), 7u);
    std::vector<std::string> again = record;
    again.push_back("--overwrite");
    EXPECT_EQ(RunIn((dir / ""), {}, again).code, 0);
    EXPECT_GT(fs::file_size((dir / "take_000.wav")), 86u + 6 * 62500 / 2);

    // A small file system of its own, where the test may mount one: under
    // 1 GB free, the recording stops, says why, and the run fails.
    const std::string small = (dir / "small");
    fs::create_directory(small);
    if (std::system(
            ("mount -t tmpfs -o size=2m tmpfs " + Quoted(small) + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const e2e::RunResult ended =
        RunIn((dir / ""), {},
              {"--seconds", "3", "--audio-out", (dir / "c.wav"), "--record", small + "/r"});
    EXPECT_EQ(ended.code, 1) << ended.err;
    EXPECT_TRUE(Has(ended.err, "Recording stopped: 0.00 GBytes free, less than the 1 GByte needed"))
        << ended.err;
    EXPECT_EQ(std::system(("umount " + Quoted(small)).c_str()), 0);
}

}  // namespace
}  // namespace velorix
