// Signals sent straight to the running velorix-cli: the run ends through its
// normal shutdown, so every file is finished with its true size, the settings
// are saved and the summary printed, and the exit code is 128 + the signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "E2eSupport.h"
#include "TempDir.h"
#include "WaitUntil.h"
#include "WavFormat.h"

extern char** environ;

namespace velorix {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::Le32;

// Starts velorix-cli with stdout to `outPath`; returns its pid (or -1).
pid_t Spawn(const std::vector<std::string>& args, const std::string& outPath) {
    std::vector<std::string> argv = {e2e::CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child to end (a hang is ended by ctest's time-out).
int WaitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

TEST(CliSignals, EndTheRunWithFilesFinishedSettingsSavedAndTheSignalsExitCode) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        test::TempDir dir("signals");
        setenv("VELORIX_CONFIG_DIR", (dir / "config").c_str(), 1);
        const std::string audio = (dir / "a.wav");
        const pid_t pid = Spawn({"--seconds", "60", "--settings", "--tune", "14151000",
                                 "--audio-out", audio, "--record", (dir / "rec")},
                                (dir / "out.txt"));
        unsetenv("VELORIX_CONFIG_DIR");
        ASSERT_GT(pid, 0);
        // Signalled while streaming: half a second of audio is written.
        while (!fs::exists(audio) || fs::file_size(audio) < 62500u)
            std::this_thread::sleep_for(20ms);
        ::kill(pid, sig);
        ASSERT_EQ(WaitExit(pid), 128 + sig);

        const auto wav = test::ReadAll(audio);
        ASSERT_GT(wav.size(), 44u + 62500u);
        EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
        EXPECT_EQ(Le32(wav, 40), wav.size() - 44);
        const auto rec = test::ReadAll((dir / "rec_000.wav"));
        WavHeader header;
        ASSERT_EQ(ParseWavHeader(rec.data(), rec.size(), header), WavHeaderStatus::Ok);
        EXPECT_GT(header.dataBytes, 0u);
        EXPECT_EQ(header.dataBytes, rec.size() - static_cast<size_t>(kWavHeaderBytes));

        const std::string out = [&] {
            const auto b = test::ReadAll((dir / "out.txt"));
            return std::string(b.begin(), b.end());
        }();
        EXPECT_NE(out.find("summary:"), std::string::npos) << out;
        EXPECT_TRUE(fs::exists((dir / "config/Tessaline s.r.l./velorix.conf")));
    }
}

TEST(CliSignals, EndTheProgramAtOnceWhileTheLibraryWaitsBeforeTheRun) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        test::TempDir dir("signals-early");
        const std::string trace = (dir / "trace");
        // The firmware never comes back: the library waits 5 s for it.
        setenv("VELORIX_VIRTUAL_FAULTS", "no-reenumerate", 1);
        setenv("VELORIX_VIRTUAL_TRACE", trace.c_str(), 1);
        const pid_t pid = Spawn({"--audio-out", (dir / "a.wav")}, (dir / "out.txt"));
        unsetenv("VELORIX_VIRTUAL_FAULTS");
        unsetenv("VELORIX_VIRTUAL_TRACE");
        ASSERT_GT(pid, 0);
        auto waiting = [&] {
            const auto b = test::ReadAll(trace);
            return std::string(b.begin(), b.end()).find("fault: the firmware never re-appears") !=
                   std::string::npos;
        };
        test::WaitUntil(waiting);
        const auto sent = std::chrono::steady_clock::now();
        ::kill(pid, sig);
        // Left to itself it would answer "Firmware download error" with 1.
        EXPECT_EQ(WaitExit(pid), 128 + sig);
        std::printf("ended %.3f s after the signal\n",
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count());
        // Nothing had been written but the audio file's header, with true sizes.
        const auto wav = test::ReadAll((dir / "a.wav"));
        ASSERT_EQ(wav.size(), 44u);
        EXPECT_EQ(Le32(wav, 40), 0u);
    }
}

}  // namespace
}  // namespace velorix
