#pragma once

namespace velorix {

// Catches SIGINT, SIGTERM and SIGHUP while it lives, so that they end the
// program through its normal shutdown instead of killing it. The handler only
// records the signal and writes one byte to a pipe (or, under EndAtOnce,
// ends the process): the run loop polls Caught(), an event loop may watch
// ReadFd(). One instance at a time; the previous handlers come back when it
// goes.
class ShutdownSignals {
public:
    ShutdownSignals();
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // While on, a signal ends the process at once, from the handler, with
    // ExitCode: for a start-up that may wait in a call nothing can interrupt
    // (the library's bounded waits, a modal notice) and has nothing
    // half-written to finish. Off (the default), a signal is only recorded.
    void EndAtOnce(bool atOnce);
    // The first signal caught, or 0.
    int Caught() const;
    // Readable once a signal was caught (non-blocking; -1 when no pipe).
    int ReadFd() const { return pipe_[0]; }
    // The exit code the shell shows for a signal: 128 + its number.
    static int ExitCode(int signal) { return 128 + signal; }

private:
    int pipe_[2] = {-1, -1};
};

}  // namespace velorix
