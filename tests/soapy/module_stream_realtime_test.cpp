#include <gtest/gtest.h>

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Formats.hpp>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The module from the tree, on the virtual receiver with `faults` (on the
// emulated one when run by velorix-usb-emulator).
SoapySDR::Device* MakeDevice(const char* faults = "") {
    const auto bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    setenv("SOAPY_SDR_PLUGIN_PATH", (bin / "SoapySDR/modules0.8").c_str(), 1);
    if (std::getenv("UMOCKDEV_DIR") == nullptr) setenv("VELORIX_DEVICE", "virtual", 1);
    // Read when the module loads the receiver library, which it unloads
    // again with the device.
    setenv("VELORIX_VIRTUAL_FAULTS", faults, 1);
    return SoapySDR::Device::make("driver=velorix");
}

// Whether thread `tid` of this process is asleep (state S in its stat line).
bool Asleep(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && line.compare(close + 2, 1, "S") == 0;
}

// The module as a client loads it, on the virtual receiver at 500 kHz, where
// one library block is 10 880 samples; run by velorix-usb-emulator (ctest
// soapy_stream_usb), on the emulated receiver through libusb instead.
class ModuleStream : public ::testing::Test {
protected:
    void SetUp() override {
        dev_ = MakeDevice();
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

// A reader waiting on a stalled stream holds up no control call, and closing
// the device ends its wait with an error instead of pulling the device from
// under it.
TEST(ModuleClose, ControlCallsAndCloseDoNotWaitForAWaitingReader) {
    SoapySDR::Device* dev = MakeDevice("stall-reads");
    SoapySDR::Stream* stream = dev->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
    ASSERT_EQ(dev->activateStream(stream), 0);
    std::atomic<pid_t> readerTid{0};
    std::atomic<int> result{1};
    std::thread reader([&] {
        std::vector<float> buffer(2 * 1024);
        void* buffs[] = {buffer.data()};
        int flags = 0;
        long long timeNs = 0;
        readerTid = static_cast<pid_t>(syscall(SYS_gettid));
        result = dev->readStream(stream, buffs, 1024, flags, timeNs, 60000000);
    });
    while (readerTid == 0 || !Asleep(readerTid))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    // Each of these used to wait for the reader's whole minute.
    EXPECT_EQ(dev->deactivateStream(stream), 0);
    EXPECT_EQ(dev->activateStream(stream), 0);
    dev->setSampleRate(SOAPY_SDR_RX, 0, 250000.0);
    EXPECT_EQ(result, 1) << "the reader left before the control calls returned";

    while (result == 1 && !Asleep(readerTid))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SoapySDR::Device::unmake(dev);
    reader.join();
    EXPECT_EQ(result, SOAPY_SDR_STREAM_ERROR);
}

}  // namespace
