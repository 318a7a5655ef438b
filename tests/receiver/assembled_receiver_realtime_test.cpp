// The assembled receiver on the virtual receiver: the two start-up orders and
// the one shutdown.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "AssembledReceiver.h"
#include "NullAudioSink.h"
#include "RecordingNotifier.h"
#include "SettingsStore.h"
#include "TempDir.h"
#include "TestEnv.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

class Assembly : public ::testing::Test {
protected:
    void SetUp() override {
        // The assembly chooses the virtual receiver itself (Options below).
        unsetenv("VELORIX_DEVICE");
        setenv("VELORIX_CONFIG_DIR", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VELORIX_DEVICE");
        unsetenv("VELORIX_CONFIG_DIR");
    }
    AssembledReceiver::Options Options() {
        AssembledReceiver::Options s{.notifier = notes_,
                                     .device = AssembledReceiver::Device::Virtual};
        s.audioSink = std::make_unique<NullAudioSink>();
        s.useStore = true;
        return s;
    }
    // The commands the virtual receiver was sent, one a line.
    std::vector<std::string> Commands() {
        std::ifstream in(dir_ / "trace.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (line.rfind("out 01 ", 0) == 0 || line.rfind("fpga:", 0) == 0) lines.push_back(line);
        return lines;
    }
    // What the receiver looks like from a start-up hook.
    std::string State(AssembledReceiver& rx) {
        return std::string(rx.Library().IsLoaded() ? "bound" : "unbound") +
               (rx.Board().IsRunning() ? " streaming" : " stopped");
    }

    test::RecordingNotifier notes_;
    test::TempDir directory_{"assembly"};
    fs::path dir_ = directory_.path();
};

TEST_F(Assembly, TheWindowStartsEachStepOnceInItsOrderAndShutsDownOnce) {
    setenv("VELORIX_VIRTUAL_TRACE", (dir_ / "trace.txt").c_str(), 1);
    AssembledReceiver rx(Options());
    // What the receiver was told up to each hook, and the state it was in.
    std::vector<std::size_t> told;
    std::vector<std::string> seen;
    const auto note = [&] {
        told.push_back(Commands().size());
        seen.push_back(State(rx));
    };
    ASSERT_TRUE(rx.StartWindow({.afterRestore =
                                    [&] {
                                        note();
                                        return true;
                                    },
                                .whenRunning = note}));
    unsetenv("VELORIX_VIRTUAL_TRACE");
    EXPECT_EQ(seen, (std::vector<std::string>{"bound stopped", "bound streaming"}));
    EXPECT_EQ(State(rx), "bound streaming");
    EXPECT_TRUE(notes_.Notices().empty());
    // After the restore: acquisition starts (the control frame with its run
    // bit) and the controller retunes once; once it runs, the front end is
    // sent once: preamp and dither, then the preselector's filter 7 for the
    // stored 14 150 kHz.
    const std::vector<std::string> commands = Commands();
    ASSERT_EQ(told.size(), 2u);
    const auto between = [&](std::size_t from, std::size_t to) {
        return std::vector<std::string>(commands.begin() + static_cast<std::ptrdiff_t>(from),
                                        commands.begin() + static_cast<std::ptrdiff_t>(to));
    };
    const std::string running = "out 01 6: 03 03 14 ae 47 2d";
    EXPECT_EQ(between(told[0], told[1]), (std::vector<std::string>{running, running}));
    EXPECT_EQ(between(told[1], commands.size()),
              (std::vector<std::string>{running, "out 01 2: 04 07"}));

    const auto first = rx.Shutdown();
    EXPECT_EQ(first.settingsSaved, true);
    EXPECT_TRUE(fs::exists(SettingsStore::FilePath()));
    EXPECT_EQ(State(rx), "unbound stopped");
    EXPECT_EQ(rx.Engine(), nullptr);
    // A second shutdown answers the same and saves nothing again.
    fs::remove(SettingsStore::FilePath());
    EXPECT_EQ(rx.Shutdown().settingsSaved, true);
    EXPECT_FALSE(fs::exists(SettingsStore::FilePath()));
}

TEST_F(Assembly, TheHeadlessStartRunsItsHooksBeforeAcquisitionAndAFailedRunSavesNothing) {
    {
        AssembledReceiver rx(Options());
        rx.LoadSettings();
        ASSERT_TRUE(rx.OpenAudio());
        ASSERT_TRUE(rx.BuildEngine());
        std::vector<std::string> seen;
        auto hook = [&] {
            seen.push_back(State(rx));
            return true;
        };
        ASSERT_TRUE(rx.StartHeadless({hook, hook}));
        EXPECT_EQ(seen, (std::vector<std::string>{"bound stopped", "bound stopped"}));
        EXPECT_EQ(State(rx), "bound streaming");
    }
    // Left without Shutdown, as on an error: closed, and nothing stored.
    EXPECT_FALSE(fs::exists(SettingsStore::FilePath()));

    AssembledReceiver rx(Options());
    ASSERT_TRUE(rx.OpenAudio());
    ASSERT_TRUE(rx.BuildEngine());
    EXPECT_FALSE(rx.StartHeadless({[] { return true; }, [] { return false; }}));
    EXPECT_EQ(State(rx), "bound stopped");
}

// The address space the process has now, bytes.
rlim_t AddressSpaceBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    return 0;
}

TEST_F(Assembly, AChainTheSystemCannotBuildIsToldAndEndsTheStart) {
    if (test::kSanitized) GTEST_SKIP() << "the sanitizers' own mappings need the address space";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A process with no address space to spare: the chain's tables, blocks
    // and threads cannot be had. Told once, and the receiver does not go on.
    // The library stays unloaded: its threads would die of the same want.
    const auto buildWithoutRoom = [this] {
        AssembledReceiver rx(Options());
        rx.OpenAudio();
        const rlim_t room = AddressSpaceBytes() + (rlim_t{6} << 20);
        const rlimit limit{room, room};
        setrlimit(RLIMIT_AS, &limit);
        const bool built = rx.BuildEngine();
        for (const auto& n : notes_.Notices())
            std::fprintf(stderr, "[%s] %s\n", n.caption.c_str(), n.text.c_str());
        return built ? 1 : static_cast<int>(notes_.Notices().size()) + 10;
    };
    EXPECT_EXIT(std::_Exit(buildWithoutRoom()), ::testing::ExitedWithCode(11),
                "\\[velorix\\] The receive chain could not be built: the system refused "
                "memory or a thread");
}

}  // namespace
}  // namespace velorix
