#include "VelorixDevice.h"

#include <SoapySDR/Logger.hpp>
#include <SoapySDR/Types.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace velorix::soapy {

namespace {

constexpr double kMaxFrequencyHz = 40e6;
// ADC clocks a calibration may set, Hz: the nominal 80 MHz within ±1 %.
constexpr int kMinAdcClockHz = 79200000;
constexpr int kMaxAdcClockHz = 80800000;

std::mutex gActiveMutex;
const ReceiverLink* gActive = nullptr;

void CheckFinite(const char* what, double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument(std::string("velorix: ") + what + " must be a finite number");
}

void CheckTuningElement(const std::string& name) {
    if (name != "RF") throw std::invalid_argument("velorix: no tuning element " + name + " (RF)");
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
    link_.SetInfoLog([](const std::string& text) {
        SoapySDR::logf(SOAPY_SDR_INFO, "velorix: %s", text.c_str());
    });
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
    {
        // A reader inside readStream leaves at once with an error; the
        // device goes only after the last one has left.
        std::unique_lock lock(streamMutex_);
        closing_ = true;
        ring_.Wake();
        readersLeft_.wait(lock, [&] { return readers_ == 0; });
    }
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

// ---- antenna, gains, frequency, rate ----

std::vector<std::string> VelorixDevice::listAntennas(const int direction,
                                                     const size_t channel) const {
    CheckChannel(direction, channel);
    return {"RX"};
}

std::string VelorixDevice::getAntenna(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    return "RX";
}

std::vector<std::string> VelorixDevice::listGains(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    return {"ATT", "PREAMP"};
}

void VelorixDevice::setGain(const int direction, const size_t channel, const double value) {
    CheckChannel(direction, channel);
    CheckFinite("gain", value);
    std::lock_guard lock(controlMutex_);
    link_.SetGain(SplitGain(value));
}

void VelorixDevice::setGain(const int direction, const size_t channel, const std::string& name,
                            const double value) {
    CheckChannel(direction, channel);
    CheckFinite("gain", value);
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

double VelorixDevice::getGain(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    return link_.Gain().GainDb();
}

double VelorixDevice::getGain(const int direction, const size_t channel,
                              const std::string& name) const {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    if (name == "ATT") return -kAttenuatorStepDb * link_.Gain().attenuatorStep;
    if (name == "PREAMP") return link_.Gain().preamp ? kPreampGainDb : 0.0;
    throw std::invalid_argument("velorix: no gain element " + name + " (ATT, PREAMP)");
}

SoapySDR::Range VelorixDevice::getGainRange(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    return {-kAttenuatorStepDb * kAttenuatorSteps, kPreampGainDb};
}

SoapySDR::Range VelorixDevice::getGainRange(const int direction, const size_t channel,
                                            const std::string& name) const {
    CheckChannel(direction, channel);
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
    CheckTuningElement(name);
    if (!(frequency >= 0.0 && frequency <= kMaxFrequencyHz))
        throw std::out_of_range("velorix: frequency outside 0 to 40 MHz");
    std::lock_guard lock(controlMutex_);
    link_.SetFrequency(frequency);
}

double VelorixDevice::getFrequency(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    return link_.Frequency();
}

double VelorixDevice::getFrequency(const int direction, const size_t channel,
                                   const std::string& name) const {
    CheckTuningElement(name);
    return getFrequency(direction, channel);
}

std::vector<std::string> VelorixDevice::listFrequencies(const int direction,
                                                        const size_t channel) const {
    CheckChannel(direction, channel);
    return {"RF"};
}

SoapySDR::RangeList VelorixDevice::getFrequencyRange(const int direction,
                                                     const size_t channel) const {
    CheckChannel(direction, channel);
    return {SoapySDR::Range(0.0, kMaxFrequencyHz)};
}

SoapySDR::RangeList VelorixDevice::getFrequencyRange(const int direction, const size_t channel,
                                                     const std::string& name) const {
    CheckTuningElement(name);
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

double VelorixDevice::getSampleRate(const int direction, const size_t channel) const {
    CheckChannel(direction, channel);
    std::lock_guard lock(controlMutex_);
    return link_.RateIdx() < 0 ? 0.0 : kRatesHz[link_.RateIdx()];
}

std::vector<double> VelorixDevice::listSampleRates(const int direction,
                                                   const size_t channel) const {
    CheckChannel(direction, channel);
    return {std::begin(kRatesHz), std::end(kRatesHz)};
}

void VelorixDevice::setBandwidth(const int direction, const size_t channel, const double bw) {
    // The bandwidth is the sample rate's; there is nothing else to set.
    CheckChannel(direction, channel);
    CheckFinite("bandwidth", bw);
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
        // The whole text is the number: no blank, plus sign or unit around
        // it (from_chars takes none of them; a minus falls below the range).
        int hz = 0;
        const char* end = value.data() + value.size();
        const auto [at, ec] = std::from_chars(value.data(), end, hz);
        if (ec != std::errc() || at != end || hz < kMinAdcClockHz || hz > kMaxAdcClockHz)
            throw std::invalid_argument("velorix: adc_clock must be a whole number of Hz from " +
                                        std::to_string(kMinAdcClockHz) + " to " +
                                        std::to_string(kMaxAdcClockHz));
        link_.SetAdcClock(hz);
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
