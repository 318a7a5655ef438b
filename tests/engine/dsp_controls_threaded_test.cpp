#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "DemodSignals.h"
#include "DspAgcCtl.h"
#include "DspDemodulator.h"
#include "DspLMSNoiseRed.h"
#include "DspVolumeCtl.h"
#include "SpectrumEstimator.h"
#include "SpectrumReference.h"

namespace velorix {
namespace {

// The UI thread changes modes, levels and steps and reads the S-meter values
// while the worker streams: nothing may tear (ThreadSanitizer checks the
// accesses), and every output stays finite and in range.
TEST(DspControls, UiSettersRaceFreeAgainstTheStreamingThread) {
    CFmSquelch squelch;
    CDspAgcCtl agc(64);
    CDspDemodulator demod(128, &squelch);
    CDspLMSNoiseRed lms(512, 64, 20, 0.01);
    CDspVolumeCtl vol(512);
    CSpectrumEstimator est(1);
    agc.SetRate(7.8125);
    demod.SetRate(7.8125);
    ASSERT_EQ(est.SetSize(256, nullptr), 1);

    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::thread worker([&] {
        const auto in = test::Carrier(512, 0.01, 3.0, 7.8125);
        std::vector<Cpx> a(512), b(512 + 83), c(512);
        std::vector<StereoFrame> frames(512);
        while (!stop.load()) {
            agc.Process(a.data(), in.data(), 512);
            demod.Process(b.data() + 83, a.data(), 512);
            lms.Process(c.data(), b.data(), 512);
            vol.Process(frames.data(), c.data(), 512);
            bool finite = true;
            for (int i = 0; i < 512; ++i)
                finite = finite && std::isfinite(c[i].real());
            est.ComplexFft();
            finite = finite && std::isfinite(est.ToDb()[17]);
            if (!finite) {
                ADD_FAILURE() << "non-finite output";
                break;
            }
            blocks.fetch_add(1);
        }
    });
    int reads = 0;
    // At least 2000 rounds and 50 streamed blocks; bounded in case the worker stops.
    for (int round = 0; (round < 2000 || blocks.load() < 50) && round < 50000000; ++round) {
        demod.SetMode(round % 3 == 0 ? kDemodSam : (round % 3 == 1 ? kDemodAm : kDemodFm));
        if (round % 7 == 0) demod.ResetLock();
        agc.SetMode(round % 4);
        if (round % 11 == 0) agc.Reset();
        vol.SetLevel(-0.1 * (round % 300));
        vol.SetMute(round % 5 == 0);
        lms.SetStepDb(round % 60);
        est.SetAveraging((round % 10) * 0.09);
        const int counter = demod.LockCounter();
        EXPECT_GE(counter, 0);
        EXPECT_LE(counter, CDspDemodulator::kLockMax);
        reads +=
            std::isfinite(agc.AverageLevelDb()) + std::isfinite(agc.PeakLevelDb()) + demod.Locked();
        if (round % 100 == 0) std::this_thread::yield();
    }
    stop.store(true);
    worker.join();
    EXPECT_GE(blocks.load(), 50);
    EXPECT_GT(reads, 0);
}

}  // namespace
}  // namespace velorix
