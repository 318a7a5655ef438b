#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ToneMeasure.h"

extern char** environ;

namespace velorix::test {

// Records a PulseAudio source (a sink's monitor) with `parec` as 16-bit
// stereo at 31 250 Hz, in a child process read by a thread of its own, and
// notes when each chunk arrived.
class MonitorRecorder {
public:
    struct Chunk {
        std::chrono::steady_clock::time_point arrived;
        size_t endFrame;  // frames recorded up to and including this chunk
    };

    explicit MonitorRecorder(const std::string& source, int latencyMs = 20) {
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        const std::string device = "--device=" + source;
        const std::string latency = "--latency-msec=" + std::to_string(latencyMs);
        const char* argv[] = {"parec",        device.c_str(), "--format=s16le", "--rate=31250",
                              "--channels=2", "--raw",        latency.c_str(),  nullptr};
        if (posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (pid_ <= 0) {
            close(fds[0]);
            return;
        }
        fd_ = fds[0];
        reader_ = std::thread([this] { Read(); });
    }
    ~MonitorRecorder() { Stop(); }

    bool Running() const { return pid_ > 0; }

    // Ends parec and the reader; the recording stays.
    void Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) close(fd_), fd_ = -1;
    }
    // Frames recorded so far.
    size_t Frames() const {
        std::lock_guard lock(mutex_);
        return left_.size();
    }
    // Waits until parec delivers data (the stream is up); false when parec
    // ended without any.
    bool WaitForData() const {
        if (!Running()) return false;
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (!left_.empty()) return true;
                if (readerDone_) return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    // Frames recorded after the last left sample louder than `threshold`;
    // 0 while none was.
    size_t QuietFramesAfterLoud(double threshold) const {
        std::lock_guard lock(mutex_);
        for (size_t i = left_.size(); i > 0; --i)
            if (std::fabs(left_[i - 1]) > threshold) return left_.size() - i;
        return 0;
    }
    std::vector<double> Left() const {
        std::lock_guard lock(mutex_);
        return left_;
    }
    std::vector<double> Right() const {
        std::lock_guard lock(mutex_);
        return right_;
    }
    std::vector<Chunk> Chunks() const {
        std::lock_guard lock(mutex_);
        return chunks_;
    }
    // CPU time the reading thread has used so far (it runs in the caller's
    // process, so a benchmark takes it off its own figure).
    double ReaderCpuSeconds() const {
        std::lock_guard lock(mutex_);
        return readerCpuSeconds_;
    }

private:
    void Read() {
        std::vector<uint8_t> buf(4096);
        std::vector<uint8_t> carry;
        for (;;) {
            const ssize_t n = read(fd_, buf.data(), buf.size());
            if (n <= 0) {
                std::lock_guard lock(mutex_);
                readerDone_ = true;
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            carry.insert(carry.end(), buf.begin(), buf.begin() + n);
            const size_t whole = carry.size() / 4 * 4;
            std::lock_guard lock(mutex_);
            for (size_t i = 0; i < whole; i += 4) {
                left_.push_back(static_cast<int16_t>(carry[i] | carry[i + 1] << 8));
                right_.push_back(static_cast<int16_t>(carry[i + 2] | carry[i + 3] << 8));
            }
            carry.erase(carry.begin(), carry.begin() + static_cast<ptrdiff_t>(whole));
            chunks_.push_back({now, left_.size()});
            timespec cpu{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
            readerCpuSeconds_ =
                static_cast<double>(cpu.tv_sec) + 1e-9 * static_cast<double>(cpu.tv_nsec);
        }
    }

    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    bool readerDone_ = false;  // parec's output ended
    std::vector<double> left_, right_;
    std::vector<Chunk> chunks_;
    double readerCpuSeconds_ = 0;
};

// Amplitude of the component at `hz` over samples [from, from + n) at 31 250 Hz.
inline double ToneAmplitude(const std::vector<double>& x, size_t from, size_t n, double hz) {
    return test::ToneAmplitude(x.data() + from, n, hz / 31250.0);
}

// Frequency of the strongest component between `loHz` and `hiHz`, scanned
// in 1 Hz steps and then refined in 0.02 Hz steps.
inline double PeakFrequency(const std::vector<double>& x, size_t from, size_t n, double loHz,
                            double hiHz) {
    constexpr double kRate = 31250.0;
    const double coarse =
        test::PeakFrequency(x.data() + from, n, loHz / kRate, hiHz / kRate, 1.0 / kRate) * kRate;
    return test::PeakFrequency(x.data() + from, n, (coarse - 1.0) / kRate, (coarse + 1.0) / kRate,
                               0.02 / kRate) *
           kRate;
}

// Runs a shell command line; its exit status.
inline int Shell(const std::string& line) {
    return std::system(line.c_str());
}

}  // namespace velorix::test
