#include "RunMeter.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include "AudioSink.h"
#include "CliRun.h"

namespace velorix {

RunMeter::RunMeter(std::FILE* out)
    : out_(out), tap_(kFrames, kAudioRateHz, [this](double seconds) { Tick(seconds); }) {}

void RunMeter::Attach(ReceiverController* controller) {
    std::lock_guard lock(mutex_);
    controller_ = controller;
}

void RunMeter::Tick(double seconds) {
    std::lock_guard lock(mutex_);
    if (controller_ == nullptr || seconds > limitSeconds_ + 1e-9) return;
    const SMeterReading r = controller_->MeterUpdate();
    last_ = SMeterLine(seconds, r.tenthsDbm, r.lock, r.clip);
    if (out_ != nullptr) std::fprintf(out_, "%s\n", last_.c_str());
}

void RunMeter::Drain(double seconds) {
    using Clock = std::chrono::steady_clock;
    {
        std::lock_guard lock(mutex_);
        limitSeconds_ = seconds;
    }
    const auto lastMark = static_cast<std::uint64_t>(std::floor(seconds * 10.0 + 1e-6)) * kFrames;
    const auto waitEnd = Clock::now() + std::chrono::seconds(2);
    auto lastMove = Clock::now();
    for (std::uint64_t frames = tap_.Frames(); frames < lastMark && Clock::now() < waitEnd;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (tap_.Frames() != frames) {
            frames = tap_.Frames();
            lastMove = Clock::now();
        } else if (Clock::now() - lastMove > std::chrono::milliseconds(100)) {
            break;  // a file's tail that never reaches the mark
        }
    }
    Attach(nullptr);
}

std::string RunMeter::LastLine() {
    std::lock_guard lock(mutex_);
    return last_;
}

}  // namespace velorix
