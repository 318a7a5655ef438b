#include <gtest/gtest.h>

#include <vector>

#include "AcqBoard.h"
#include "FakeUsbDevice.h"

namespace velorix {
namespace {

using test::FakeUsbDevice;

TEST(AcqBoardTuning, TuningWordFollowsTheAdcClock) {
    EXPECT_EQ(CAcqBoard::TuningWord(14150.0, 80000000), 759672340u);
    EXPECT_EQ(CAcqBoard::TuningWord(20000.0, 80000000), 1073741824u);  // a quarter turn
    EXPECT_EQ(CAcqBoard::TuningWord(0.0, 80000000), 0u);
    // Only the low 32 bits of a word beyond the clock are kept.
    EXPECT_EQ(CAcqBoard::TuningWord(100000.0, 80000000), 1073741824u);
    EXPECT_EQ(CAcqBoard::TuningWord(14150.0, 0), 0u);
}

TEST(AcqBoardTuning, BlockSizeGrowsWithTheRate) {
    EXPECT_EQ(CAcqBoard::BlockBytesForRate(125.0), 16320);
    EXPECT_EQ(CAcqBoard::BlockBytesForRate(250.0), 32640);
    EXPECT_EQ(CAcqBoard::BlockBytesForRate(500.0), 65280);
    EXPECT_EQ(16320 % 510, 0);
    EXPECT_EQ(65280 / 6, 10880);
}

std::vector<std::uint8_t> Unit(std::int32_t i0, std::int32_t q0) {
    std::vector<std::uint8_t> raw(CAcqBoard::kUnitBytes, 0);
    auto put = [&](int at, std::int32_t v) {
        raw[at] = v & 0xff;
        raw[at + 1] = (v >> 8) & 0xff;
        raw[at + 2] = (v >> 16) & 0xff;
    };
    put(0, i0);
    put(3, q0);
    return raw;
}

TEST(AcqBoardConversion, TwentyFourBitValuesScaleToDoubles) {
    std::vector<Cpx> out(1024);
    auto raw = Unit(0x7FFFFE, -0x800000);
    CAcqBoard::ConvertUnit(raw.data(), out.data());
    EXPECT_DOUBLE_EQ(out[0].real(), 0x7FFFFE * 256.0 / 1074000000.0);
    EXPECT_DOUBLE_EQ(out[0].imag(), -8388608.0 * 256.0 / 1074000000.0);
    raw = Unit(-2, 1);
    CAcqBoard::ConvertUnit(raw.data(), out.data());
    EXPECT_DOUBLE_EQ(out[0].real(), -512.0 / 1074000000.0);
    EXPECT_DOUBLE_EQ(out[0].imag(), 256.0 / 1074000000.0);
    EXPECT_EQ(out[1], Cpx(0, 0));
}

TEST(AcqBoardConversion, OverloadMarkIsReadFromTheFirstFrameOnly) {
    std::vector<Cpx> out(1024);
    // Positive value with bit 0 set: bit 0 differs from the sign bit.
    EXPECT_TRUE(CAcqBoard::ConvertUnit(Unit(0x000101, 0).data(), out.data()));
    // Negative value with bit 0 clear: differs too.
    EXPECT_TRUE(CAcqBoard::ConvertUnit(Unit(-2, 0).data(), out.data()));
    // Bit 0 equal to the sign: no mark.
    EXPECT_FALSE(CAcqBoard::ConvertUnit(Unit(0x000100, 0).data(), out.data()));
    EXPECT_FALSE(CAcqBoard::ConvertUnit(Unit(-1, 0).data(), out.data()));
    // A marked second frame is not examined.
    auto raw = Unit(0x000100, 0);
    raw[6] = 0x01;
    EXPECT_FALSE(CAcqBoard::ConvertUnit(raw.data(), out.data()));
}

class AcqBoardControl : public ::testing::Test {
protected:
    void SetUp() override { FakeUsbDevice::Reset(); }
    FakeUsbDevice& dev() { return FakeUsbDevice::Get(); }
    SettingsRecord settings;
    UsbLibrary lib{FakeUsbDevice::Exports()};
};

TEST_F(AcqBoardControl, OpenSendsTheInitialFrontEndOnce) {
    CAcqBoard board(lib);
    EXPECT_EQ(board.Open(&settings), 1);
    ASSERT_EQ(dev().sioFrames.size(), 2u);
    EXPECT_EQ(dev().sioFrames[0], (std::vector<std::uint8_t>{0x02, 0, 0, 0, 0}));
    // 759672340 = 0x2D47AE14, little-endian after the control byte.
    EXPECT_EQ(dev().sioFrames[1], (std::vector<std::uint8_t>{0x02, 0x14, 0xAE, 0x47, 0x2D}));
    EXPECT_EQ(dev().attenuatorSteps, std::vector<int>{0});
    EXPECT_EQ(dev().preselectorFilters, std::vector<int>{10});
    EXPECT_EQ(board.Open(&settings), 1);
    EXPECT_EQ(dev().sioFrames.size(), 2u);
}

TEST_F(AcqBoardControl, PreampAndDitherBitsAndTheAdcClock) {
    CAcqBoard board(lib);
    board.Open(&settings);
    board.SetPreampDither(1, 0);
    EXPECT_EQ(board.ControlByte(), 0x04);
    board.SetPreampDither(1, 1);
    EXPECT_EQ(dev().sioFrames.back()[0], 0x06);
    board.SetAdcClockKHz(80000.1234);
    EXPECT_EQ(settings.AdcSamplingRate, 80000123);
    EXPECT_DOUBLE_EQ(board.GetAdcClockKHz(), 80000.123);
    board.SetFrequency(14150.0);
    EXPECT_NE(board.CurrentTuningWord(), 759672340u);  // the calibrated clock moves the word
    board.ResetAdcClock();
    board.SetFrequency(14150.0);
    EXPECT_EQ(board.CurrentTuningWord(), 759672340u);
    EXPECT_EQ(settings.AdcSamplingRate, 80000000);
}

TEST_F(AcqBoardControl, StartNeedsAnOpenBoardAndAWillingLibrary) {
    CAcqBoard board(lib);
    EXPECT_FALSE(board.Start());
    board.Open(&settings);
    dev().startResult = 0;
    EXPECT_FALSE(board.Start());
    EXPECT_FALSE(board.IsRunning());
    EXPECT_EQ(board.ControlByte() & CAcqBoard::kRunBit, 0);
}

}  // namespace
}  // namespace velorix
