// CWaveOut playing into a real PulseAudio daemon; what the sink played is
// recorded from its monitor with parec and measured there.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <future>
#include <mutex>
#include <tuple>

#include "FakeAudioSink.h"
#include "MonitorRecorder.h"
#include "PulseAudioSink.h"
#include "RecordingNotifier.h"
#include "TestEnv.h"
#include "WaitUntil.h"
#include "WaveOut.h"

namespace velorix::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr double kToneHz = 1000.0;
constexpr double kLeftAmp = 16384.0;  // -6.02 dB full scale
constexpr double kRightAmp = 8192.0;  // -12.04 dB: tells the channels apart

double Db(double ratio) {
    return 20.0 * std::log10(ratio);
}

// The acquisition board's part in file playback: the first blocks are
// pushed at once, then one more for every buffer played, under one lock.
class ToneFeeder : public AudioPacer {
public:
    ToneFeeder(CWaveOut& out, int blocks) : out_(out), remaining_(blocks) {}
    void Played(int, double) override {
        std::lock_guard lock(mutex_);
        if (remaining_ > 0) --remaining_, PushTone();
    }
    void Prime(int blocks) {
        std::lock_guard lock(mutex_);
        for (int i = 0; i < blocks && remaining_ > 0; ++i)
            --remaining_, PushTone();
    }
    // One 512-frame block of the tone, phase-continuous with the last.
    void PushTone() {
        CDspBuffer& b = out_.Buffer();
        auto* f = reinterpret_cast<StereoFrame*>(b.AdvanceWrite(512));
        for (int i = 0; i < 512; ++i, ++n_) {
            const double s = std::sin(2 * M_PI * kToneHz * static_cast<double>(n_) / 31250.0);
            f[i] = {static_cast<int16_t>(std::lround(kLeftAmp * s)),
                    static_cast<int16_t>(std::lround(kRightAmp * s))};
        }
        out_.BufferFull();
    }

private:
    std::mutex mutex_;
    CWaveOut& out_;
    int remaining_;
    long n_ = 0;
};

// First and one-past-last sample louder than `threshold`; {0, 0} when none.
std::pair<size_t, size_t> LoudSpan(const std::vector<double>& x, double threshold) {
    size_t first = x.size(), last = 0;
    for (size_t i = 0; i < x.size(); ++i)
        if (std::fabs(x[i]) > threshold) first = std::min(first, i), last = i + 1;
    return first < last ? std::pair{first, last} : std::pair<size_t, size_t>{0, 0};
}

void WaitPlayed(const CWaveOut& out, uint64_t count) {
    WaitUntil([&] { return out.PlayedCount() >= count && out.QueuedCount() == 0; });
}

// Waits until the monitor has heard the tone and a tenth of a second of
// quiet after it: the sink has played all it was given.
void WaitForToneEnd(const MonitorRecorder& rec) {
    WaitUntil([&] { return rec.QuietFramesAfterLoud(kLeftAmp / 4) >= 3125; });
}

// Plays `blocks` blocks of the tone paced by the output's completions.
void PlayTone(CWaveOut& out, int blocks) {
    ToneFeeder feeder(out, blocks);
    out.SetPacer(&feeder);
    out.SetPacing(true);
    feeder.Prime(8);
    WaitPlayed(out, 8 + static_cast<uint64_t>(blocks));
    out.SetPacing(false);
    out.SetPacer(nullptr);
    EXPECT_EQ(out.DroppedCount(), 0u);
}

// What a monitor heard of the tone: both channels, and the span louder than
// a quarter of the left amplitude ({0, 0} when none).
struct Heard {
    std::vector<double> left, right;
    size_t first, last;
};

// Plays `blocks` blocks of the tone on `out`, then stops `rec` once the
// sink's latency has passed.
Heard PlayAndRecord(CWaveOut& out, MonitorRecorder& rec, int blocks) {
    PlayTone(out, blocks);
    WaitForToneEnd(rec);
    rec.Stop();
    Heard h{rec.Left(), rec.Right(), 0, 0};
    std::tie(h.first, h.last) = LoudSpan(h.left, kLeftAmp / 4);
    return h;
}

// A null sink loaded for one test and unloaded after it.
class ScopedNullSink {
public:
    ScopedNullSink(const std::string& name, const std::string& description) : name_(name) {
        const std::string cmd = "pactl load-module module-null-sink sink_name=" + name +
                                " \"sink_properties='device.description=\\\"" + description +
                                "\\\"'\"";
        if (FILE* p = popen(cmd.c_str(), "r")) {
            if (std::fscanf(p, "%d", &module_) != 1) module_ = -1;
            pclose(p);
        }
    }
    ~ScopedNullSink() {
        if (module_ >= 0) Shell("pactl unload-module " + std::to_string(module_));
    }
    bool Loaded() const { return module_ >= 0; }
    std::string Monitor() const { return name_ + ".monitor"; }

private:
    std::string name_;
    int module_ = -1;
};

TEST(PulseOutput, ATestToneComesBackAtItsFrequencyAndLevel) {
    MonitorRecorder rec("vac.monitor");
    ASSERT_TRUE(rec.Running());
    ASSERT_TRUE(rec.WaitForData());
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<PulseAudioSink>(), notes);
    ASSERT_EQ(out.Open(""), 1);
    EXPECT_EQ(out.DeviceDescription(), "Virtual Audio Cable");  // the daemon's default sink
    const int blocks = static_cast<int>(StreamSeconds(2.0, 1.5) / kAudioBufferSeconds);
    const auto [left, right, first, last] = PlayAndRecord(out, rec, blocks);
    EXPECT_TRUE(notes.Notices().empty());
    ASSERT_LT(first, last) << "the tone never reached the monitor";
    // Nothing was lost on the way: at least every frame handed over came back.
    EXPECT_GE(last - first, static_cast<size_t>(blocks - 1) * 512);
    // Median over quarter-second windows, away from the tone's edges.
    const size_t win = 7812, margin = 3125;
    std::vector<double> freq, levelL, levelR;
    for (size_t at = first + margin; at + win + margin <= last; at += win) {
        const double f = PeakFrequency(left, at, win, 900, 1100);
        freq.push_back(f);
        levelL.push_back(Db(ToneAmplitude(left, at, win, f) / kLeftAmp));
        levelR.push_back(Db(ToneAmplitude(right, at, win, f) / kRightAmp));
    }
    ASSERT_GE(freq.size(), 3u);
    auto median = [](std::vector<double> v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    EXPECT_NEAR(median(freq), 1000.0, 0.5);
    EXPECT_NEAR(median(levelL), 0.0, 0.2) << "left level in dB against -6.02 dBFS";
    EXPECT_NEAR(median(levelR), 0.0, 0.2) << "right level in dB against -12.04 dBFS";
}

TEST(PulseOutput, BlocksBeyondSixteenAreDroppedAndEveryPlayedBufferIsCounted) {
    MonitorRecorder rec("vac.monitor");
    ASSERT_TRUE(rec.Running());
    ASSERT_TRUE(rec.WaitForData());
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<PulseAudioSink>(), notes);
    ASSERT_EQ(out.Open("Virtual Audio Cable"), 1);
    ToneFeeder tone(out, 1 << 20);  // pushes only when asked: pacing stays off
    // 100 blocks at once, far faster than 16.4 ms each: the caller never waits.
    const auto start = Clock::now();
    auto pushing = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100; ++i)
            tone.PushTone();
    });
    pushing.get();  // BufferFull never blocks: a blocked one hangs the test here
    const double pushMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const uint64_t dropped = out.DroppedCount();
    const uint64_t accepted = 100 - dropped;
    EXPECT_GE(accepted, 8u);  // the 8 free buffers behind the silent margin
    // No more than the device freed meanwhile: four buffers fit its target
    // length at once, then one per 16.4 ms (two more for the sink's own start).
    EXPECT_LE(accepted, 8u + 4 + 2 + static_cast<uint64_t>(pushMs / 16.384)) << pushMs << " ms";
    WaitPlayed(out, 8 + accepted);
    EXPECT_EQ(out.PlayedCount(), 8 + accepted);
    WaitForToneEnd(rec);
    rec.Stop();
    // The monitor heard exactly the accepted blocks, in one stretch.
    const auto left = rec.Left();
    const auto [first, last] = LoudSpan(left, kLeftAmp / 4);
    ASSERT_LT(first, last);
    const double heardBlocks = static_cast<double>(last - first) / 512.0;
    EXPECT_GE(heardBlocks, static_cast<double>(accepted) - 0.5);
    if (!kSanitized) {
        EXPECT_LE(heardBlocks, static_cast<double>(accepted) + 2.0);
    }
    EXPECT_TRUE(notes.Notices().empty());
}

TEST(PulseOutput, ADescriptionSubstringPicksTheRightSink) {
    const std::string tag = std::to_string(::getpid());
    ScopedNullSink alpha("alpha" + tag, "Alpha Test Sink " + tag);
    ScopedNullSink beta("beta" + tag, "Beta Test Sink " + tag);
    ASSERT_TRUE(alpha.Loaded() && beta.Loaded());
    RecordingNotifier notes;
    {
        // The first sink, in the server's order, whose description matches.
        CWaveOut first(std::make_unique<PulseAudioSink>(), notes);
        ASSERT_EQ(first.Open("Test Sink " + tag), 1);
        EXPECT_EQ(first.DeviceDescription(), "Alpha Test Sink " + tag);
        CWaveOut cable(std::make_unique<PulseAudioSink>(), notes);
        ASSERT_EQ(cable.Open("Virtual Audio Cable"), 1);
        EXPECT_EQ(cable.DeviceDescription(), "Virtual Audio Cable");
    }
    MonitorRecorder recA(alpha.Monitor()), recB(beta.Monitor());
    ASSERT_TRUE(recA.WaitForData() && recB.WaitForData());
    CWaveOut out(std::make_unique<PulseAudioSink>(), notes);
    ASSERT_EQ(out.Open("Beta Test"), 1);
    EXPECT_EQ(out.DeviceDescription(), "Beta Test Sink " + tag);
    const auto [b, right, first, last] =
        PlayAndRecord(out, recB, static_cast<int>(0.6 / kAudioBufferSeconds));
    recA.Stop();
    const auto a = recA.Left();
    ASSERT_LT(first + 2 * 3125 + 7812, last) << "no tone on the chosen sink";
    EXPECT_NEAR(Db(ToneAmplitude(b, first + 3125, 7812, kToneHz) / kLeftAmp), 0.0, 0.3);
    double alphaPeak = 0;
    for (double x : a)
        alphaPeak = std::max(alphaPeak, std::fabs(x));
    EXPECT_EQ(alphaPeak, 0.0) << "the other sink played something";
    EXPECT_TRUE(notes.Notices().empty());
}

TEST(PulseOutput, ALiveStreamOnAnIdleSinkLosesNothingAtItsStart) {
    // An idle null sink that nobody records renders 2-second blocks and would
    // take a new stream's first data only when its block ends.
    const std::string tag = std::to_string(::getpid());
    ScopedNullSink idle("idle" + tag, "Idle Test Sink " + tag);
    ASSERT_TRUE(idle.Loaded());
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<PulseAudioSink>(), notes);
    ASSERT_EQ(out.Open("Idle Test Sink " + tag), 1);
    // A receiver's audio: one block every 16.4 ms from right after Open, never waiting.
    ToneFeeder live(out, 0);
    const int blocks = static_cast<int>(StreamSeconds(2.5, 2.5) / kAudioBufferSeconds);
    const auto start = Clock::now();
    for (int i = 0; i < blocks; ++i) {
        std::this_thread::sleep_until(start +
                                      std::chrono::duration<double>(i * kAudioBufferSeconds));
        live.PushTone();
    }
    EXPECT_EQ(out.DroppedCount(), 0u);
    WaitPlayed(out, 8 + blocks - out.DroppedCount());
    EXPECT_TRUE(notes.Notices().empty());
}

TEST(PulseOutput, AServerThatDiesWhilePlayingIsReportedOnceAndPacingGoesOn) {
    // A daemon of this test's own, killed halfway through.
    const std::string dir = "/tmp/velorix-pulse-dies-" + std::to_string(::getpid());
    const std::string script = VELORIX_PULSE_SCRIPT;
    ASSERT_EQ(Shell(script + " start " + dir), 0);
    struct Stopper {
        std::string line;
        ~Stopper() { Shell(line); }  // also when an assertion ends the test early
    } stopper{script + " stop " + dir};
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<PulseAudioSink>("unix:" + dir + "/pulse/native"), notes);
    ASSERT_EQ(out.Open(""), 1);
    const int blocks = static_cast<int>(1.5 / kAudioBufferSeconds);
    ToneFeeder feeder(out, blocks);
    out.SetPacer(&feeder);
    out.SetPacing(true);
    feeder.Prime(8);
    WaitUntil([&] { return out.PlayedCount() >= 30; });
    Shell(stopper.line);
    // Every block is still taken and reported played, now by the clock.
    WaitPlayed(out, 8 + static_cast<uint64_t>(blocks));
    out.SetPacer(nullptr);
    EXPECT_EQ(out.DroppedCount(), 0u);
    const auto n = notes.Notices();
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].caption, "WaveOut");
    EXPECT_EQ(n[0].text, "Connection terminated");
}

// An output that cannot open takes blocks and drops them. A substring no
// sink's description holds fails quietly; a missing server says so once.
TEST(PulseOutput, AFailedOpenIsReportedOnlyWhenTheServerIsMissing) {
    const std::string missing = "unix:/nonexistent-velorix/pulse/native";
    struct Case {
        std::string server, substring;
        bool reported;
    } cases[] = {
        {"", "Virtual Cable That Is Not There", false},
        {missing, "", true},
        {missing, "Virtual Audio Cable", true},
    };
    for (const auto& c : cases) {
        RecordingNotifier notes;
        CWaveOut out(std::make_unique<PulseAudioSink>(c.server), notes);
        EXPECT_EQ(out.Open(c.substring), 0) << c.server << " " << c.substring;
        EXPECT_FALSE(out.IsOpen());
        const auto n = notes.Notices();
        ASSERT_EQ(n.size(), c.reported ? 1u : 0u) << c.server << " " << c.substring;
        if (c.reported) {
            EXPECT_EQ(n[0].text, "No SoundCard driver!");
            EXPECT_EQ(n[0].caption, "WaveOut");
            EXPECT_EQ(n[0].icon, Notifier::Icon::Warning);
        }
        PushBlock(out, 1);
        EXPECT_EQ(out.DroppedCount(), 1u);
    }
}

}  // namespace
}  // namespace velorix::test
