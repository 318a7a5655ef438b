// The assembled receiver on the virtual receiver: the two start-up orders and
// the one shutdown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AssembledReceiver.h"
#include "NullAudioSink.h"
#include "RecordingNotifier.h"
#include "SettingsStore.h"
#include "TempDir.h"

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
    // What the receiver looks like from a start-up hook.
    std::string State(AssembledReceiver& rx) {
        return std::string(rx.Library().IsLoaded() ? "bound" : "unbound") +
               (rx.Board().IsRunning() ? " streaming" : " stopped");
    }

    test::RecordingNotifier notes_;
    test::TempDir directory_{"assembly"};
    fs::path dir_ = directory_.path();
};

TEST_F(Assembly, TheWindowStartsAcquisitionAfterShowingAndShutsDownOnce) {
    AssembledReceiver rx(Options());
    std::vector<std::string> seen;
    ASSERT_TRUE(rx.StartWindow({[&] {
        seen.push_back(State(rx));
        return true;
    }}));
    EXPECT_EQ(seen, std::vector<std::string>{"bound stopped"});
    EXPECT_EQ(State(rx), "bound streaming");
    EXPECT_TRUE(notes_.Notices().empty());

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

}  // namespace
}  // namespace velorix
