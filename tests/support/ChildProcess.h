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

    // Its exit code once it has ended; nothing when a signal ended it.
    std::optional<int> Wait() {
        if (pid_ <= 0) return std::nullopt;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return std::nullopt;
    }
    void Signal(int signal) const {
        if (pid_ > 0) kill(pid_, signal);
    }
    // Whether it is still running (false once it has ended and was reaped).
    bool Running() {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;
        return pid_ > 0;
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
};

// Runs a program to its end, however long it takes; true when it exits 0.
inline bool RunsCleanly(const std::vector<std::string>& argv) {
    return ChildProcess(argv).Wait() == 0;
}

}  // namespace velorix::test
