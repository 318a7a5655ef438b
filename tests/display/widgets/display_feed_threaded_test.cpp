#include <gtest/gtest.h>
#include <QApplication>

#include <atomic>
#include <chrono>
#include <thread>

#include "DspLock.h"
#include "DspThread.h"
#include "MainDisplay.h"
#include "TestBlocks.h"
#include "WidgetTestSupport.h"

namespace velorix {
namespace {

using namespace std::chrono_literals;

// The main display behind its display thread, fed at 500 kHz by an upstream
// that holds the chain lock while it pushes, as the receiver's thread does;
// meanwhile the user-interface thread hands it states that move the tuned
// line and change the FFT size, and hides the plot.
TEST(MainDisplayFeed, NewStatesWhileTheDisplayThreadDraws) {
    test::RecordingIntents intents;
    MainDisplay display(intents);
    auto state = std::make_shared<DisplayState>(*test::MainState());
    display.Show(state);
    display.show();

    test::TestSource source(1024);
    CDspThread thread(kDspTypeComplex, 1024);
    CDspLock chainLock;
    source.Connect(&thread);
    thread.Connect(&display.Renderer());
    thread.SetAutoThrottle(1);
    {
        DspLockGuard chain(&chainLock);
        thread.SetRate(500.0);
    }

    std::atomic<bool> stop{false};
    std::thread upstream([&] {
        double next = 0.0;
        auto due = std::chrono::steady_clock::now();
        while (!stop.load()) {
            {
                DspLockGuard chain(&chainLock);
                next = source.PushRamp(4, next);  // 4096 samples: 8.2 ms at 500 kHz
            }
            due += 8192us;
            std::this_thread::sleep_until(due);
        }
    });

    // Three hundred steps of the user's side, and at least ten spectra drawn
    // meanwhile, however slowly either side is scheduled.
    int step = 0;
    while (step < 300 || display.Renderer().Spectra() <= 10u) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        ++step;
        state = std::make_shared<DisplayState>(*state);
        state->tunedX = 200 + step % 400;
        state->band = {state->tunedX + 3, state->tunedX + 23};
        if (step % 25 == 0)
            state->geometry.Reconfigure(state->geometry.Bins() == 4096 ? 1024 : 4096, 500.0,
                                        14150.0);
        display.Show(state);
        if (step % 60 == 0) display.setVisible(!display.isVisible());
        std::this_thread::sleep_for(5ms);
    }
    display.hide();
    for (int i = 0; i < 30; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(10ms);
    }
    stop.store(true);
    upstream.join();

    EXPECT_LE(thread.GetSkipLimit(), CDspThread::kMaxAutoSkip);
}

// While no block comes (a paused file), the display thread draws a new state
// on its idle tick: the user-interface thread never draws a frame.
TEST(MainDisplayFeed, TheDisplayThreadDrawsANewStateWhileNoBlocksCome) {
    test::RecordingIntents intents;
    MainDisplay display(intents);
    CDspThread thread(kDspTypeComplex, 1024);
    thread.Connect(&display.Renderer());
    auto state = std::make_shared<DisplayState>(*test::MainState());
    state->tunedX = 300;
    display.Show(state);
    const auto tunedLineShown = [&] {
        QApplication::processEvents();
        return (display.Renderer().Frames().FrontCopy().pixel(300, 100) & 0xFFFFFFu) ==
               (plotcolour::kTunedLine & 0xFFFFFFu);
    };
    for (int waited = 0; waited < 2000 && !tunedLineShown(); ++waited)
        std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(tunedLineShown());
    EXPECT_EQ(display.Renderer().Spectra(), 0u);
}

// With no paint ever marking the display ready, auto-throttle raises the
// skip limit with every busy hand-over, but never past 100.
TEST(MainDisplayFeed, AutoThrottleStopsAtOneHundred) {
    test::TestSource source(256);
    CDspThread thread(kDspTypeComplex, 256);
    test::TestSink never(256);
    source.Connect(&thread);
    thread.Connect(&never);
    thread.SetAutoThrottle(1);
    never.ready.store(0);
    // Limit L takes L + 1 blocks to raise: about 5050 blocks reach 100.
    for (int i = 0; i < 6000; ++i) {
        source.PushRamp(1);
        for (int w = 0; w < 2000 && !thread.IsReady(); ++w)
            std::this_thread::sleep_for(50us);
    }
    EXPECT_EQ(thread.GetSkipLimit(), CDspThread::kMaxAutoSkip);
}

}  // namespace
}  // namespace velorix
