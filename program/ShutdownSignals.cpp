#include "ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iterator>

namespace velorix {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> gCaught{0};
std::atomic<int> gWakeFd{-1};
std::atomic<bool> gEndAtOnce{false};
struct sigaction gPrevious[std::size(kSignals)];

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the handler needs lock-free flags");

extern "C" void OnSignal(int signal) {
    // Only async-signal-safe work here: _exit, or a flag and one byte to the pipe.
    if (gEndAtOnce.load()) ::_exit(ShutdownSignals::ExitCode(signal));
    int expected = 0;
    gCaught.compare_exchange_strong(expected, signal);
    const int fd = gWakeFd.load();
    if (fd >= 0) {
        const char byte = 1;
        const ssize_t n = ::write(fd, &byte, 1);
        (void)n;  // a full pipe already wakes the reader
    }
}

}  // namespace

ShutdownSignals::ShutdownSignals() {
    gCaught.store(0);
    gEndAtOnce.store(false);
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) pipe_[0] = pipe_[1] = -1;
    gWakeFd.store(pipe_[1]);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // calls in progress carry on; the loop sees the flag
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &gPrevious[i]);
}

ShutdownSignals::~ShutdownSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    gWakeFd.store(-1);
    gEndAtOnce.store(false);
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void ShutdownSignals::EndAtOnce(bool atOnce) {
    gEndAtOnce.store(atOnce);
}

int ShutdownSignals::Caught() const {
    return gCaught.load();
}

}  // namespace velorix
