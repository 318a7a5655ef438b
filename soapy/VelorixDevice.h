#pragma once

#include <SoapySDR/Device.hpp>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "BlockRing.h"
#include "ReceiverLink.h"
#include "SampleFrames.h"

namespace velorix::soapy {

// The receiver as a SoapySDR device: one receive channel, three output
// rates, the attenuator and preamplifier as gain elements, dither,
// preselector and ADC clock as settings, and the stream from the library's
// blocks. Control calls may come from any thread; one stream at a time.
class VelorixDevice : public SoapySDR::Device {
public:
    static constexpr double kRatesHz[3] = {125000.0, 250000.0, 500000.0};
    // Ring slots for the largest block (500 kHz: 10 880 samples, 21.8 ms each):
    // about 0.7 s of slack for a reader that falls behind.
    static constexpr std::size_t kRingSlots = 32;
    static std::size_t LargestBlockBytes();

    // Opens the receiver (the one with `args["serial"]` when given) and
    // brings it up at 500 kHz. Throws std::runtime_error with the reason.
    explicit VelorixDevice(const SoapySDR::Kwargs& args);
    ~VelorixDevice() override;

    // The identity of the receiver this process has open, if any: a second
    // opening through the same library would take it from its owner.
    static bool ActiveIdentity(ReceiverIdentity& identity);

    std::string getDriverKey() const override { return "velorix"; }
    std::string getHardwareKey() const override { return "velorix"; }
    SoapySDR::Kwargs getHardwareInfo() const override;
    size_t getNumChannels(const int direction) const override;

    std::vector<std::string> getStreamFormats(const int direction,
                                              const size_t channel) const override;
    std::string getNativeStreamFormat(const int direction, const size_t channel,
                                      double& fullScale) const override;
    SoapySDR::Stream* setupStream(const int direction, const std::string& format,
                                  const std::vector<size_t>& channels,
                                  const SoapySDR::Kwargs& args) override;
    void closeStream(SoapySDR::Stream* stream) override;
    size_t getStreamMTU(SoapySDR::Stream* stream) const override;
    int activateStream(SoapySDR::Stream* stream, const int flags, const long long timeNs,
                       const size_t numElems) override;
    int deactivateStream(SoapySDR::Stream* stream, const int flags,
                         const long long timeNs) override;
    int readStream(SoapySDR::Stream* stream, void* const* buffs, const size_t numElems, int& flags,
                   long long& timeNs, const long timeoutUs) override;
    size_t getNumDirectAccessBuffers(SoapySDR::Stream* stream) override;
    int acquireReadBuffer(SoapySDR::Stream* stream, size_t& handle, const void** buffs, int& flags,
                          long long& timeNs, const long timeoutUs) override;
    void releaseReadBuffer(SoapySDR::Stream* stream, const size_t handle) override;

    std::vector<std::string> listAntennas(const int direction, const size_t channel) const override;
    std::string getAntenna(const int direction, const size_t channel) const override;

    std::vector<std::string> listGains(const int direction, const size_t channel) const override;
    void setGain(const int direction, const size_t channel, const double value) override;
    void setGain(const int direction, const size_t channel, const std::string& name,
                 const double value) override;
    double getGain(const int direction, const size_t channel) const override;
    double getGain(const int direction, const size_t channel,
                   const std::string& name) const override;
    SoapySDR::Range getGainRange(const int direction, const size_t channel) const override;
    SoapySDR::Range getGainRange(const int direction, const size_t channel,
                                 const std::string& name) const override;

    void setFrequency(const int direction, const size_t channel, const double frequency,
                      const SoapySDR::Kwargs& args) override;
    void setFrequency(const int direction, const size_t channel, const std::string& name,
                      const double frequency, const SoapySDR::Kwargs& args) override;
    double getFrequency(const int direction, const size_t channel) const override;
    double getFrequency(const int direction, const size_t channel,
                        const std::string& name) const override;
    std::vector<std::string> listFrequencies(const int direction,
                                             const size_t channel) const override;
    SoapySDR::RangeList getFrequencyRange(const int direction, const size_t channel) const override;
    SoapySDR::RangeList getFrequencyRange(const int direction, const size_t channel,
                                          const std::string& name) const override;

    void setSampleRate(const int direction, const size_t channel, const double rate) override;
    double getSampleRate(const int direction, const size_t channel) const override;
    std::vector<double> listSampleRates(const int direction, const size_t channel) const override;
    void setBandwidth(const int direction, const size_t channel, const double bw) override;
    double getBandwidth(const int direction, const size_t channel) const override;
    std::vector<double> listBandwidths(const int direction, const size_t channel) const override;

    bool hasHardwareTime(const std::string& what) const override;

    std::vector<std::string> listSensors() const override;
    SoapySDR::ArgInfo getSensorInfo(const std::string& key) const override;
    std::string readSensor(const std::string& key) const override;

    SoapySDR::ArgInfoList getSettingInfo() const override;
    void writeSetting(const std::string& key, const std::string& value) override;
    std::string readSetting(const std::string& key) const override;

private:
    struct RxStream {
        SampleFormat format = SampleFormat::CF32;
        bool active = false;
    };
    // Holds the stream lock for a reader and counts the reader in, so that
    // closing the device waits until every reader has left.
    class ReaderPass {
    public:
        explicit ReaderPass(VelorixDevice& device);
        ~ReaderPass();
        std::unique_lock<std::mutex> lock;

    private:
        VelorixDevice& device_;
    };
    // Waits for the front block with the stream lock released while it
    // waits, and returns with it held: 0 with the block, SOAPY_SDR_OVERFLOW
    // when a gap lies before it (the caller clears the mark once it has
    // reported it), SOAPY_SDR_TIMEOUT at `deadline`, SOAPY_SDR_STREAM_ERROR
    // when the receiver is gone or the device is closing. An inactive
    // stream is waited on (until activated) only `whileInactive`.
    int AwaitBlock(std::unique_lock<std::mutex>& lock,
                   std::chrono::steady_clock::time_point deadline, bool whileInactive,
                   BlockRing::Block& block);
    // Whether the receiver was removed; asked only once no block has come
    // for a while. Stream lock held.
    bool ReceiverGone();
    void CheckChannel(const int direction, const size_t channel) const;
    void ApplyRate(double rate);

    mutable std::mutex controlMutex_;  // the link's control calls
    std::mutex streamMutex_;           // the stream's state and reads; never held while waiting
    ReceiverLink link_;
    BlockRing ring_;
    RxStream* stream_ = nullptr;
    std::size_t offset_ = 0;            // frames of the front block already read
    std::vector<std::uint8_t> direct_;  // the converted block handed out by acquireReadBuffer
    int readers_ = 0;                   // threads inside readStream or acquireReadBuffer
    bool closing_ = false;              // the destructor runs: readers leave at once
    bool goneTold_ = false;             // the removal has been logged
    std::condition_variable readersLeft_;
};

}  // namespace velorix::soapy
