#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velorix::test {

// A helper program run by fork and exec, its standard output to a file. It
// dies with the test, even when a sanitizer ends the test, so it never holds
// the test's output open. (QProcess is not used: after its start the
// ThreadSanitizer no longer sees the starting thread's locks and reports
// races on data that every side reaches under its mutex.)
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::string& stdoutPath = "/dev/null") {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(127);
            const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out >= 0) dup2(out, STDOUT_FILENO);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Its exit code once it has ended within `timeoutMs`; otherwise nothing
    // (it is then ended).
    std::optional<int> Wait(int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Running()) {
            if (std::chrono::steady_clock::now() > end) {
                Stop();
                return std::nullopt;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return exitCode_;
    }
    // Whether it still runs; once it has ended, Wait() gives its exit code.
    bool Running() {
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_) return pid_ > 0;
        pid_ = -1;
        if (WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
        return false;
    }
    void Signal(int signal) const {
        if (pid_ > 0) kill(pid_, signal);
    }
    // Ends it with SIGTERM and reaps it.
    void Stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

// Runs a program to its end; true when it exits 0 within `timeoutMs`.
inline bool RunsCleanly(const std::vector<std::string>& argv, int timeoutMs = 2000) {
    return ChildProcess(argv).Wait(timeoutMs) == 0;
}

}  // namespace velorix::test
