#include <gtest/gtest.h>

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Formats.hpp>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

// The module as a client loads it, on the virtual receiver at 500 kHz, where
// one library block is 10 880 samples; run by velorix-usb-emulator (ctest
// soapy_stream_usb), on the emulated receiver through libusb instead.
class ModuleStream : public ::testing::Test {
protected:
    void SetUp() override {
        const auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        setenv("SOAPY_SDR_PLUGIN_PATH", (bin / "SoapySDR/modules0.8").c_str(), 1);
        if (std::getenv("UMOCKDEV_DIR") == nullptr) setenv("VELORIX_DEVICE", "virtual", 1);
        dev_ = SoapySDR::Device::make("driver=velorix");
        stream_ = dev_->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
        ASSERT_EQ(dev_->activateStream(stream_), 0);
    }
    void TearDown() override {
        if (dev_ == nullptr) return;
        dev_->deactivateStream(stream_);
        dev_->closeStream(stream_);
        SoapySDR::Device::unmake(dev_);
    }
    SoapySDR::Device* dev_ = nullptr;
    SoapySDR::Stream* stream_ = nullptr;
};

TEST_F(ModuleStream, DirectAccessContinuesWhereReadStreamLeftOff) {
    constexpr int kBlock = 10880;
    EXPECT_EQ(dev_->getStreamMTU(stream_), size_t(kBlock));
    EXPECT_EQ(dev_->getNumDirectAccessBuffers(stream_), 1u);
    std::vector<float> buffer(2 * 100);
    void* buffs[] = {buffer.data()};
    int flags = -1;
    long long timeNs = 0;
    // The built-in band takes a while to produce its first block.
    ASSERT_EQ(dev_->readStream(stream_, buffs, 100, flags, timeNs, 10000000), 100);
    EXPECT_EQ(flags, 0);  // no time stamp

    size_t handle = 99;
    const void* direct[1] = {nullptr};
    ASSERT_EQ(dev_->acquireReadBuffer(stream_, handle, direct, flags, timeNs, 1000000),
              kBlock - 100);
    EXPECT_EQ(handle, 0u);
    const auto* samples = static_cast<const float*>(direct[0]);
    double peak = 0.0;
    for (int i = 0; i < 2 * (kBlock - 100); ++i)
        peak = std::max(peak, double(std::abs(samples[i])));
    EXPECT_GT(peak, 0.0);
    EXPECT_LE(peak, 1.0);
    dev_->releaseReadBuffer(stream_, handle);
    EXPECT_EQ(dev_->acquireReadBuffer(stream_, handle, direct, flags, timeNs, 1000000), kBlock);
    dev_->releaseReadBuffer(stream_, handle);
}

}  // namespace
