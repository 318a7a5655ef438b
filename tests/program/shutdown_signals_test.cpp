#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "ShutdownSignals.h"

namespace velorix {
namespace {

void (*CurrentHandler(int signal))(int) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(ShutdownSignals, KeepTheFirstSignalWakeThePipeAndRestoreTheHandlers) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        ASSERT_EQ(CurrentHandler(sig), SIG_DFL);
        {
            const ShutdownSignals signals;
            EXPECT_EQ(signals.Caught(), 0);
            ::raise(sig);
            ::raise(sig == SIGINT ? SIGTERM : SIGINT);  // a second one changes nothing
            EXPECT_EQ(signals.Caught(), sig);
            EXPECT_EQ(ShutdownSignals::ExitCode(signals.Caught()), 128 + sig);
            char bytes[8];
            EXPECT_EQ(::read(signals.ReadFd(), bytes, sizeof bytes), 2);
        }
        EXPECT_EQ(CurrentHandler(sig), SIG_DFL);
    }
}

}  // namespace
}  // namespace velorix
