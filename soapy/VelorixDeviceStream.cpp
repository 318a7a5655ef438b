#include "VelorixDevice.h"

#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>

#include <algorithm>
#include <chrono>
#include <thread>

#include "AcqBoard.h"

namespace velorix::soapy {

// The stream: one receive stream at a time, read from the ring of library blocks.

std::size_t VelorixDevice::LargestBlockBytes() {
    return static_cast<std::size_t>(CAcqBoard::BlockBytesForRate(kRatesHz[2] / 1000.0));
}

std::vector<std::string> VelorixDevice::getStreamFormats(const int, const size_t) const {
    return {SOAPY_SDR_CS16, SOAPY_SDR_CF32, SOAPY_SDR_CF64};
}

std::string VelorixDevice::getNativeStreamFormat(const int, const size_t, double& fullScale) const {
    fullScale = 32767.0;
    return SOAPY_SDR_CS16;
}

SoapySDR::Stream* VelorixDevice::setupStream(const int direction, const std::string& format,
                                             const std::vector<size_t>& channels,
                                             const SoapySDR::Kwargs&) {
    for (size_t c : channels)
        CheckChannel(direction, c);
    CheckChannel(direction, 0);
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
    return 0;
}

int VelorixDevice::deactivateStream(SoapySDR::Stream*, const int flags, const long long) {
    if (flags != 0) return SOAPY_SDR_NOT_SUPPORTED;
    std::lock_guard stream(streamMutex_);
    if (stream_ == nullptr || !stream_->active) return 0;
    std::lock_guard control(controlMutex_);
    link_.StopInput();
    stream_->active = false;
    return 0;
}

int VelorixDevice::NextBlock(long timeoutUs, BlockRing::Block& block) {
    block = ring_.Front(timeoutUs);
    if (block.data == nullptr) return SOAPY_SDR_TIMEOUT;
    return block.gapBefore && offset_ == 0 ? SOAPY_SDR_OVERFLOW : 0;
}

int VelorixDevice::readStream(SoapySDR::Stream*, void* const* buffs, const size_t numElems,
                              int& flags, long long&, const long timeoutUs) {
    flags = 0;
    std::unique_lock lock(streamMutex_);
    if (stream_ == nullptr || !stream_->active) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::microseconds(std::max(timeoutUs, 0L)));
        return SOAPY_SDR_TIMEOUT;
    }
    auto* out = static_cast<std::uint8_t*>(buffs[0]);
    const std::size_t sampleBytes = SampleBytes(stream_->format);
    std::size_t done = 0;
    while (done < numElems) {
        BlockRing::Block block;
        const int status = NextBlock(done == 0 ? timeoutUs : 0, block);
        if (status == SOAPY_SDR_OVERFLOW && done == 0) {
            // A gap is reported on a call of its own, after the samples before it.
            ring_.ClearGap();
            return status;
        }
        if (status != 0) break;
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
    }
    if (done > 0) return static_cast<int>(done);
    // Nothing came: the receiver may be back from a removal, bare.
    std::lock_guard control(controlMutex_);
    link_.BringUpIfBack();
    return SOAPY_SDR_TIMEOUT;
}

size_t VelorixDevice::getNumDirectAccessBuffers(SoapySDR::Stream*) {
    return 1;
}

int VelorixDevice::acquireReadBuffer(SoapySDR::Stream*, size_t& handle, const void** buffs,
                                     int& flags, long long&, const long timeoutUs) {
    flags = 0;
    std::lock_guard lock(streamMutex_);
    if (stream_ == nullptr || !stream_->active) return SOAPY_SDR_STREAM_ERROR;
    BlockRing::Block block;
    if (const int status = NextBlock(timeoutUs, block); status != 0) {
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
