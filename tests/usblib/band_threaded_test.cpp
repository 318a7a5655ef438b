// The band model behind the library: streamed at every rate for any tuning
// word, and a malformed scenario file hides the receiver.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "DspMath.h"
#include "TestSignal.h"
#include "ToneMeasure.h"
#include "UsbRig.h"

namespace velorix::test {
namespace {

std::string WriteScenario(const std::string& name, const std::string& text) {
    const std::string path = "/tmp/velorix-band-" + std::to_string(::getpid()) + "-" + name;
    std::ofstream(path) << text;
    return path;
}

// dB of the component at `freqHz` in a block of frames, as the acquisition
// board scales them, Hann-windowed.
double ToneDb(const std::vector<uint8_t>& block, double rateHz, double freqHz) {
    std::vector<std::complex<double>> x(block.size() / 6);
    for (size_t k = 0; k < x.size(); ++k) {
        const int32_t i = sim::test_signal::Read24(&block[6 * k]);
        const int32_t q = sim::test_signal::Read24(&block[6 * k + 3]);
        x[k] = {double(int32_t(uint32_t(i) << 8)) / 1074000000.0,
                double(int32_t(uint32_t(q) << 8)) / 1074000000.0};
    }
    return test::Db(test::ToneAmplitude(x, freqHz / rateHz, test::Window::Hann));
}

TEST(VirtualBand, StreamsAtEveryRateForAnyTuningWord) {
    const std::string scenario =
        WriteScenario("carrier", "station freq=7050000 mode=CARRIER level=-50\n");
    VirtualRig::Options o;
    o.env = {{"VELORIX_SIM_SOURCE", "band"}, {"VELORIX_SIM_SCENARIO", scenario}};
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    const int rates[] = {125, 250, 500};
    for (int index = 0; index < 3; ++index) {
        ASSERT_EQ(rig.BringUpWithFpga(index), 0);
        // Centre 7.0 MHz: the carrier 50 kHz above. Centre 73.0 MHz: the ADC's
        // mirror of the carrier (80 - 7.05 MHz) lies 50 kHz below.
        for (double centre : {7.0e6, 73.0e6}) {
            const uint32_t word = uint32_t(std::llround(centre / 80e6 * 4294967296.0));
            const uint8_t frame[5] = {0x01, uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16),
                                      uint8_t(word >> 24)};
            rig.usb().Sio(frame, 5);
            std::vector<uint8_t> block(6 * 8192);
            ASSERT_EQ(rig.usb().GetInputData(block.data(), int(block.size())), 1);
            ASSERT_EQ(rig.usb().GetInputData(block.data(), int(block.size())), 1);
            const double offset = centre < 40e6 ? 50000.0 : -50000.0;
            SCOPED_TRACE(testing::Message() << rates[index] << " kHz, centre " << centre);
            // Attenuator 0, preamp off, no preselector: the program adds -4.0 dB.
            EXPECT_NEAR(ToneDb(block, rates[index] * 1000.0, offset) - 4.0, -50.0, 0.5);
            EXPECT_LT(ToneDb(block, rates[index] * 1000.0, -offset) - 4.0, -120.0);
            const uint8_t stop[5] = {0x00, 0, 0, 0, 0};
            rig.usb().Sio(stop, 5);
        }
    }
    std::remove(scenario.c_str());
}

TEST(VirtualBand, MalformedScenarioHidesTheReceiver) {
    const std::string scenario = WriteScenario(
        "broken", "noise density=-140\nstation freq=7050000 mode=CARRIER level=loud\n");
    VirtualRig::Options o;
    o.env = {{"VELORIX_SIM_SOURCE", "band"}, {"VELORIX_SIM_SCENARIO", scenario}};
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    EXPECT_EQ(rig.usb().Open(), 0);
    // Plugging it in again does not make it appear either.
    rig.Unplug();
    rig.Plug();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rig.usb().Open(), 0);
    std::remove(scenario.c_str());
}

}  // namespace
}  // namespace velorix::test
