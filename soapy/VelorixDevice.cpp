#include "VelorixDevice.h"

#include <SoapySDR/Formats.hpp>
#include <SoapySDR/Logger.hpp>
#include <SoapySDR/Types.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <thread>

#include "AcqBoard.h"

namespace velorix::soapy {

namespace {

constexpr double kRatesHz[3] = {125000.0, 250000.0, 500000.0};
constexpr double kMaxFrequencyHz = 40e6;
// ADC clocks a calibration may set, Hz: the nominal 80 MHz within ±1 %.
constexpr int kMinAdcClockHz = 79200000;
constexpr int kMaxAdcClockHz = 80800000;
// Ring slots for the largest block (500 kHz: 10 880 samples, 21.8 ms each):
// about 0.7 s of slack for a reader that falls behind.
constexpr std::size_t kRingSlots = 32;

std::mutex gActiveMutex;
const ReceiverLink* gActive = nullptr;

std::size_t LargestBlockBytes() {
    return static_cast<std::size_t>(CAcqBoard::BlockBytesForRate(kRatesHz[2] / 1000.0));
}

bool ParseBool(const std::string& key, const std::string& value) {
    if (value == "true" || value == "1") return true;
    if (value == "false" || value == "0") return false;
    throw std::invalid_argument("velorix: " + key + " must be true or false, not \"" + value +
                                "\"");
}

}  // namespace

VelorixDevice::VelorixDevice(const SoapySDR::Kwargs& args)
    : ring_(kRingSlots, LargestBlockBytes()) {
    std::lock_guard active(gActiveMutex);
    if (gActive != nullptr) throw std::runtime_error("velorix: the receiver is already open");
    if (!link_.Open()) throw std::runtime_error("velorix: " + link_.Error());
    const auto serial = args.find("serial");
    if (serial != args.end() && serial->second != link_.Identity().serial)
        throw std::runtime_error("velorix: no receiver with serial " + serial->second);
    if (!link_.ConfigureRate(2)) throw std::runtime_error("velorix: " + link_.Error());
    link_.SetGain({});
    link_.SetDither(true);
    link_.SetFrequency(link_.Frequency());
    gActive = &link_;
    SoapySDR::logf(SOAPY_SDR_INFO, "velorix: receiver %s (hardware %s) ready",
                   link_.Identity().serial.c_str(), link_.Identity().hardware.c_str());
}

VelorixDevice::~VelorixDevice() {
    // The library's reader must be gone before the ring it writes into.
    link_.StopInput();
    delete stream_;
    std::lock_guard active(gActiveMutex);
    gActive = nullptr;
}

bool VelorixDevice::ActiveIdentity(ReceiverIdentity& identity) {
    std::lock_guard active(gActiveMutex);
    if (gActive == nullptr) return false;
    identity = gActive->Identity();
    return true;
}

SoapySDR::Kwargs VelorixDevice::getHardwareInfo() const {
    return {{"serial", link_.Identity().serial}, {"version", link_.Identity().hardware}};
}

size_t VelorixDevice::getNumChannels(const int direction) const {
    return direction == SOAPY_SDR_RX ? 1 : 0;
}

void VelorixDevice::CheckChannel(const int direction, const size_t channel) const {
    if (direction != SOAPY_SDR_RX || channel != 0)
        throw std::invalid_argument("velorix: the receiver has one receive channel, 0");
}

// ---- streams ----

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
    if (block.gapBefore && offset_ == 0) {
        ring_.ClearGap();
        return SOAPY_SDR_OVERFLOW;
    }
    return 0;
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
        // A gap is reported on its own call, after the samples before it.
        if (status == SOAPY_SDR_OVERFLOW && done == 0) return status;
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
    return done > 0 ? static_cast<int>(done) : SOAPY_SDR_TIMEOUT;
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
    if (const int status = NextBlock(timeoutUs, block); status != 0) return status;
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

// ---- antenna, gains, frequency, rate ----

std::vector<std::string> VelorixDevice::listAntennas(const int, const size_t) const {
    return {"RX"};
}

std::string VelorixDevice::getAntenna(const int, const size_t) const {
    return "RX";
}

std::vector<std::string> VelorixDevice::listGains(const int, const size_t) const {
    return {"ATT", "PREAMP"};
}

void VelorixDevice::setGain(const int direction, const size_t channel, const double value) {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    link_.SetGain(SplitGain(value));
}

void VelorixDevice::setGain(const int direction, const size_t channel, const std::string& name,
                            const double value) {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    GainSplit gain = link_.Gain();
    if (name == "ATT")
        gain.attenuatorStep = static_cast<int>(
            std::clamp(std::round(-value / kAttenuatorStepDb), 0.0, double(kAttenuatorSteps)));
    else if (name == "PREAMP")
        gain.preamp = value >= kPreampGainDb / 2;
    else
        throw std::invalid_argument("velorix: no gain element " + name + " (ATT, PREAMP)");
    link_.SetGain(gain);
}

double VelorixDevice::getGain(const int, const size_t) const {
    std::lock_guard lock(controlMutex_);
    return link_.Gain().GainDb();
}

double VelorixDevice::getGain(const int, const size_t, const std::string& name) const {
    std::lock_guard lock(controlMutex_);
    if (name == "ATT") return -kAttenuatorStepDb * link_.Gain().attenuatorStep;
    if (name == "PREAMP") return link_.Gain().preamp ? kPreampGainDb : 0.0;
    throw std::invalid_argument("velorix: no gain element " + name + " (ATT, PREAMP)");
}

SoapySDR::Range VelorixDevice::getGainRange(const int, const size_t) const {
    return {-kAttenuatorStepDb * kAttenuatorSteps, kPreampGainDb};
}

SoapySDR::Range VelorixDevice::getGainRange(const int, const size_t,
                                            const std::string& name) const {
    if (name == "ATT") return {-kAttenuatorStepDb * kAttenuatorSteps, 0.0, kAttenuatorStepDb};
    if (name == "PREAMP") return {0.0, kPreampGainDb, kPreampGainDb};
    throw std::invalid_argument("velorix: no gain element " + name + " (ATT, PREAMP)");
}

void VelorixDevice::setFrequency(const int direction, const size_t channel, const double frequency,
                                 const SoapySDR::Kwargs& args) {
    setFrequency(direction, channel, "RF", frequency, args);
}

void VelorixDevice::setFrequency(const int direction, const size_t channel, const std::string& name,
                                 const double frequency, const SoapySDR::Kwargs&) {
    CheckChannel(direction, channel);
    if (name != "RF") throw std::invalid_argument("velorix: no tuning element " + name + " (RF)");
    if (!(frequency >= 0.0 && frequency <= kMaxFrequencyHz))
        throw std::out_of_range("velorix: frequency outside 0 to 40 MHz");
    std::lock_guard lock(controlMutex_);
    link_.SetFrequency(frequency);
}

double VelorixDevice::getFrequency(const int, const size_t) const {
    std::lock_guard lock(controlMutex_);
    return link_.Frequency();
}

double VelorixDevice::getFrequency(const int direction, const size_t channel,
                                   const std::string&) const {
    return getFrequency(direction, channel);
}

std::vector<std::string> VelorixDevice::listFrequencies(const int, const size_t) const {
    return {"RF"};
}

SoapySDR::RangeList VelorixDevice::getFrequencyRange(const int, const size_t) const {
    return {SoapySDR::Range(0.0, kMaxFrequencyHz)};
}

SoapySDR::RangeList VelorixDevice::getFrequencyRange(const int direction, const size_t channel,
                                                     const std::string&) const {
    return getFrequencyRange(direction, channel);
}

void VelorixDevice::setSampleRate(const int direction, const size_t channel, const double rate) {
    CheckChannel(direction, channel);
    ApplyRate(rate);
}

void VelorixDevice::ApplyRate(double rate) {
    const auto* match = std::find_if(std::begin(kRatesHz), std::end(kRatesHz),
                                     [&](double r) { return std::fabs(r - rate) < 1.0; });
    if (match == std::end(kRatesHz))
        throw std::invalid_argument("velorix: sample rate must be 125000, 250000 or 500000 Hz");
    std::lock_guard stream(streamMutex_);
    std::lock_guard control(controlMutex_);
    const int idx = static_cast<int>(match - std::begin(kRatesHz));
    if (idx == link_.RateIdx()) return;
    offset_ = 0;
    if (!link_.ConfigureRate(idx)) {
        if (stream_ != nullptr) stream_->active = link_.InputRunning();
        throw std::runtime_error("velorix: " + link_.Error());
    }
}

double VelorixDevice::getSampleRate(const int, const size_t) const {
    std::lock_guard lock(controlMutex_);
    return link_.RateIdx() < 0 ? 0.0 : kRatesHz[link_.RateIdx()];
}

std::vector<double> VelorixDevice::listSampleRates(const int, const size_t) const {
    return {std::begin(kRatesHz), std::end(kRatesHz)};
}

void VelorixDevice::setBandwidth(const int, const size_t, const double) {
    // The bandwidth is the sample rate's; there is nothing else to set.
}

double VelorixDevice::getBandwidth(const int direction, const size_t channel) const {
    return getSampleRate(direction, channel);
}

std::vector<double> VelorixDevice::listBandwidths(const int direction, const size_t channel) const {
    return {getSampleRate(direction, channel)};
}

bool VelorixDevice::hasHardwareTime(const std::string&) const {
    return false;
}

// ---- sensors and settings ----

std::vector<std::string> VelorixDevice::listSensors() const {
    return {"adc_overload"};
}

SoapySDR::ArgInfo VelorixDevice::getSensorInfo(const std::string& key) const {
    if (key != "adc_overload") throw std::invalid_argument("velorix: no sensor " + key);
    SoapySDR::ArgInfo info;
    info.key = key;
    info.name = "ADC overload";
    info.type = SoapySDR::ArgInfo::BOOL;
    info.description = "The converter clipped since the last reading";
    return info;
}

std::string VelorixDevice::readSensor(const std::string& key) const {
    if (key != "adc_overload") throw std::invalid_argument("velorix: no sensor " + key);
    // Reading clears it, as the program's meter clears its clip mark.
    return link_.TakeOverload() ? "true" : "false";
}

SoapySDR::ArgInfoList VelorixDevice::getSettingInfo() const {
    SoapySDR::ArgInfo dither, preselector, clock;
    dither.key = "dither";
    dither.value = "true";
    dither.name = "Dither";
    dither.description = "ADC dither";
    dither.type = SoapySDR::ArgInfo::BOOL;
    preselector.key = "preselector";
    preselector.value = "true";
    preselector.name = "Preselector";
    preselector.description = "Band filter chosen from the centre frequency";
    preselector.type = SoapySDR::ArgInfo::BOOL;
    clock.key = "adc_clock";
    clock.value = "80000000";
    clock.name = "ADC clock";
    clock.units = "Hz";
    clock.description = "Calibrated ADC clock the tuning is computed for";
    clock.type = SoapySDR::ArgInfo::INT;
    clock.range = SoapySDR::Range(kMinAdcClockHz, kMaxAdcClockHz);
    return {dither, preselector, clock};
}

void VelorixDevice::writeSetting(const std::string& key, const std::string& value) {
    std::lock_guard lock(controlMutex_);
    if (key == "dither") {
        link_.SetDither(ParseBool(key, value));
    } else if (key == "preselector") {
        link_.SetPreselector(ParseBool(key, value));
    } else if (key == "adc_clock") {
        std::size_t used = 0;
        long hz = 0;
        try {
            hz = std::stol(value, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != value.size() || hz < kMinAdcClockHz || hz > kMaxAdcClockHz)
            throw std::invalid_argument("velorix: adc_clock must be a whole number of Hz from " +
                                        std::to_string(kMinAdcClockHz) + " to " +
                                        std::to_string(kMaxAdcClockHz));
        link_.SetAdcClock(static_cast<int>(hz));
    } else {
        throw std::invalid_argument("velorix: no setting " + key);
    }
}

std::string VelorixDevice::readSetting(const std::string& key) const {
    std::lock_guard lock(controlMutex_);
    if (key == "dither") return link_.Dither() ? "true" : "false";
    if (key == "preselector") return link_.Preselector() ? "true" : "false";
    if (key == "adc_clock") return std::to_string(link_.AdcClock());
    throw std::invalid_argument("velorix: no setting " + key);
}

}  // namespace velorix::soapy
