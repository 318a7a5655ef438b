// velorix-cli against inputs that are not what they should be and a receiver
// or disk that lets it down: it never hangs, and it never ends with success
// after something was lost.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "E2eSupport.h"

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

TEST(HostileInputs, AnythingButARegularFileIsRefusedWithoutWaitingOnIt) {
    test::TempDir dir("hostile");
    const std::string conf = (dir / "conf/Tessaline s.r.l./velorix.conf");
    fs::create_directories(fs::path(conf).parent_path());
    enum class Kind { Fifo, Device, Directory };
    auto make = [](const std::string& path, Kind kind) {
        fs::remove_all(path);
        if (kind == Kind::Fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        }
        if (kind == Kind::Device) fs::create_symlink("/dev/zero", path);
        if (kind == Kind::Directory) fs::create_directory(path);
    };
    const std::string base = "VELORIX_CONFIG_DIR=" + (dir / "conf");
    const std::string audio = (dir / "out.wav");
    struct Input {
        const char* what;
        std::string path;               // made a FIFO, a link to /dev/zero, a directory
        std::vector<std::string> args;  // the run that reads it
        int code;                       // its exit code
        const char* told;               // part of what it says
    } inputs[] = {
        {"recording",
         (dir / "in.wav"),
         {"--source", (dir / "in.wav"), "--audio-out", audio},
         1,
         "Not a recording: a directory, device or pipe"},
        {"scenario",
         (dir / "band.txt"),
         {"--scenario", (dir / "band.txt"), "--seconds", "0.3", "--audio-out", audio},
         1,
         "not a scenario file (a directory, device or pipe)"},
        {"programme",
         (dir / "prog.wav"),
         {"--scenario", (dir / "prog.txt"), "--seconds", "0.3", "--audio-out", audio},
         1,
         "not a WAV file (a directory, device or pipe)"},
        {"station list",
         (dir / "eibi.txt"),
         {"--seconds", "0.3", "--audio-out", audio},
         0,
         "eibi.txt: not a station list (a directory, device or pipe)"},
        {"settings",
         conf,
         {"--settings", "--seconds", "0.3", "--audio-out", audio},
         1,
         "is not a settings file (a directory, device or pipe): the defaults are used"},
    };
    dir.Write("prog.txt", "station freq=14150000 mode=AM level=-73 audio=wav:prog.wav\n");
    for (const Input& in : inputs) {
        for (Kind kind : {Kind::Fifo, Kind::Device, Kind::Directory}) {
            make(in.path, kind);
            const e2e::RunResult r = RunIn((dir / ""), {base}, in.args);
            EXPECT_EQ(r.code, in.code) << in.what << " " << int(kind) << "\n" << r.err;
            EXPECT_TRUE(Has(r.err, in.told)) << in.what << " " << int(kind) << "\n" << r.err;
            fs::remove_all(in.path);
        }
    }
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
    const e2e::RunResult full =
        RunIn((dir / ""), {}, {"--seconds", "1", "--audio-out", "/dev/full"});
    EXPECT_EQ(full.code, 1);
    EXPECT_TRUE(Has(full.err, "Can't write /dev/full: No space left on device")) << full.err;
    EXPECT_TRUE(Has(full.err, "cannot write the audio to /dev/full")) << full.err;

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
