#include "VelorixDevice.h"

#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "AcqBoard.h"

namespace velorix::soapy {

// The stream: one receive stream at a time, read from the ring of library blocks.

std::size_t VelorixDevice::LargestBlockBytes() {
    return static_cast<std::size_t>(CAcqBoard::BlockBytesForRate(kRatesHz[2] / 1000.0));
}

std::vector<std::string> VelorixDevice::getStreamFormats(const int direction,
                                                         const size_t channel) const {
    CheckChannel(direction, channel);
    return {SOAPY_SDR_CS16, SOAPY_SDR_CF32, SOAPY_SDR_CF64};
}

std::string VelorixDevice::getNativeStreamFormat(const int direction, const size_t channel,
                                                 double& fullScale) const {
    CheckChannel(direction, channel);
    fullScale = 32767.0;
    return SOAPY_SDR_CS16;
}

SoapySDR::Stream* VelorixDevice::setupStream(const int direction, const std::string& format,
                                             const std::vector<size_t>& channels,
                                             const SoapySDR::Kwargs&) {
    // No channels means channel 0; the one channel cannot be streamed twice.
    if (channels.size() > 1)
        throw std::invalid_argument("velorix: the receiver has one receive channel, 0");
    CheckChannel(direction, channels.empty() ? 0 : channels[0]);
    std::lock_guard lock(streamMutex_);
    if (stream_ != nullptr) throw std::runtime_error("velorix: a stream is already set up");
    auto stream = std::make_unique<RxStream>();
    if (format == SOAPY_SDR_CS16)
        stream->format = SampleFormat::CS16;
    else if (format == SOAPY_SDR_CF32)
        stream->format = SampleFormat::CF32;
    else if (format == SOAPY_SDR_CF64)
        stream->format = SampleFormat::CF64;
    else
        throw std::invalid_argument("velorix: stream format " + format +
                                    " is not CS16, CF32 or CF64");
    direct_.resize(LargestBlockBytes() / kFrameBytes * SampleBytes(stream->format));
    stream_ = stream.release();
    return reinterpret_cast<SoapySDR::Stream*>(stream_);
}

void VelorixDevice::closeStream(SoapySDR::Stream* stream) {
    deactivateStream(stream, 0, 0);
    std::lock_guard lock(streamMutex_);
    delete stream_;
    stream_ = nullptr;
    ring_.Wake();
}

size_t VelorixDevice::getStreamMTU(SoapySDR::Stream*) const {
    std::lock_guard lock(controlMutex_);
    const int idx = link_.RateIdx() < 0 ? 2 : link_.RateIdx();
    return static_cast<size_t>(CAcqBoard::BlockBytesForRate(kRatesHz[idx] / 1000.0)) / kFrameBytes;
}

int VelorixDevice::activateStream(SoapySDR::Stream*, const int flags, const long long,
                                  const size_t) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard stream(streamMutex_);
    if (stream_ == nullptr) return SOAPY_SDR_STREAM_ERROR;
    if (stream_->active) return 0;
    std::lock_guard control(controlMutex_);
    offset_ = 0;
    if (!link_.StartInput(ring_)) {
        SoapySDR::logf(SOAPY_SDR_ERROR, "velorix: %s", link_.Error().c_str());
        return SOAPY_SDR_STREAM_ERROR;
    }
    stream_->active = true;
    ring_.Wake();
    return 0;
}

int VelorixDevice::deactivateStream(SoapySDR::Stream*, const int flags, const long long) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard stream(streamMutex_);
    if (stream_ == nullptr || !stream_->active) return 0;
    std::lock_guard control(controlMutex_);
    link_.StopInput();
    stream_->active = false;
    ring_.Wake();
    return 0;
}

VelorixDevice::ReaderPass::ReaderPass(VelorixDevice& device)
    : lock(device.streamMutex_), device_(device) {
    ++device_.readers_;
}

VelorixDevice::ReaderPass::~ReaderPass() {
    if (!lock.owns_lock()) lock.lock();
    if (--device_.readers_ == 0 && device_.closing_) device_.readersLeft_.notify_all();
}

namespace {

// A stalled stream is asked whether its receiver is still there this often.
constexpr auto kPresenceCheck = std::chrono::milliseconds(250);

std::chrono::steady_clock::time_point Deadline(long timeoutUs) {
    // Held to a day, so that the sum cannot overflow the clock.
    const long us = std::clamp(timeoutUs, 0L, 86'400'000'000L);
    return std::chrono::steady_clock::now() + std::chrono::microseconds(us);
}

}  // namespace

bool VelorixDevice::ReceiverGone() {
    if (std::chrono::steady_clock::now() - ring_.LastPush() < kPresenceCheck) return false;
    std::lock_guard control(controlMutex_);
    const bool gone = !link_.Present();
    if (gone && !goneTold_) SoapySDR::log(SOAPY_SDR_ERROR, "velorix: the receiver was removed");
    goneTold_ = gone;
    return gone;
}

int VelorixDevice::AwaitBlock(std::unique_lock<std::mutex>& lock,
                              std::chrono::steady_clock::time_point deadline, bool whileInactive,
                              BlockRing::Block& block) {
    for (;;) {
        if (closing_) return SOAPY_SDR_STREAM_ERROR;
        const bool active = stream_ != nullptr && stream_->active;
        if (active) {
            block = ring_.Front();
            if (block.data != nullptr)
                return block.gapBefore && offset_ == 0 ? SOAPY_SDR_OVERFLOW : 0;
            if (ReceiverGone()) return SOAPY_SDR_STREAM_ERROR;
        } else if (!whileInactive) {
            return SOAPY_SDR_STREAM_ERROR;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return SOAPY_SDR_TIMEOUT;
        // A stalled stream wakes now and then to ask after its receiver.
        const auto until = active ? std::min(deadline, now + kPresenceCheck) : deadline;
        const auto epoch = ring_.Epoch();
        lock.unlock();
        ring_.Wait(epoch, active, until);
        lock.lock();
    }
}

int VelorixDevice::readStream(SoapySDR::Stream*, void* const* buffs, const size_t numElems,
                              int& flags, long long&, const long timeoutUs) {
    flags = 0;
    ReaderPass pass(*this);
    BlockRing::Block block;
    const int status = AwaitBlock(pass.lock, Deadline(timeoutUs), true, block);
    if (status == SOAPY_SDR_OVERFLOW) {
        // A gap is reported on a call of its own, after the samples before it.
        ring_.ClearGap();
        return status;
    }
    if ((status == SOAPY_SDR_TIMEOUT || status == SOAPY_SDR_STREAM_ERROR) && !closing_ &&
        stream_ != nullptr && stream_->active) {
        // Nothing came: the receiver may be back from a removal, bare.
        std::lock_guard control(controlMutex_);
        link_.BringUpIfBack();
    }
    if (status != 0) return status;
    auto* out = static_cast<std::uint8_t*>(buffs[0]);
    const std::size_t sampleBytes = SampleBytes(stream_->format);
    std::size_t done = 0;
    while (done < numElems && block.data != nullptr && !(block.gapBefore && offset_ == 0)) {
        const std::size_t frames = block.bytes / kFrameBytes;
        const std::size_t n = std::min(frames - offset_, numElems - done);
        DecodeFrames(block.data + offset_ * kFrameBytes, n, stream_->format,
                     out + done * sampleBytes);
        done += n;
        offset_ += n;
        if (offset_ == frames) {
            ring_.Pop();
            offset_ = 0;
        }
        block = ring_.Front();
    }
    return static_cast<int>(done);
}

size_t VelorixDevice::getNumDirectAccessBuffers(SoapySDR::Stream*) {
    return 1;
}

int VelorixDevice::acquireReadBuffer(SoapySDR::Stream*, size_t& handle, const void** buffs,
                                     int& flags, long long&, const long timeoutUs) {
    flags = 0;
    ReaderPass pass(*this);
    BlockRing::Block block;
    if (const int status = AwaitBlock(pass.lock, Deadline(timeoutUs), false, block); status != 0) {
        if (status == SOAPY_SDR_OVERFLOW) ring_.ClearGap();
        return status;
    }
    const std::size_t n = block.bytes / kFrameBytes - offset_;
    DecodeFrames(block.data + offset_ * kFrameBytes, n, stream_->format, direct_.data());
    handle = 0;
    buffs[0] = direct_.data();
    return static_cast<int>(n);
}

void VelorixDevice::releaseReadBuffer(SoapySDR::Stream*, const size_t) {
    std::lock_guard lock(streamMutex_);
    ring_.Pop();
    offset_ = 0;
}

}  // namespace velorix::soapy
