#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ControllerFixture.h"
#include "DisplayTables.h"
#include "ReceiverInfo.h"
#include "SMeterValues.h"
#include "StatusTexts.h"
#include "TuningTables.h"

namespace velorix::test {
namespace {

TEST(TuningTables, StepLabelsAndOffsetLimits) {
    EXPECT_EQ(CFStepText(kCFStepHz[11]), "1.0 MHz");
    EXPECT_EQ(CFStepText(kCFStepHz[7]), "100.0 kHz");
    EXPECT_EQ(CFStepText(kCFStepHz[0]), "1.0 kHz");
    EXPECT_EQ(CFStepText(999), "999 Hz");
    EXPECT_EQ(WheelStepText(kWheelStepHz[0]), "1 Hz");
    EXPECT_EQ(WheelStepText(kWheelStepHz[2]), "100 Hz");
    EXPECT_EQ(WheelStepText(kWheelStepHz[7]), "12.5 kHz");
    EXPECT_EQ(OffsetLimitHz(125.0), 50000);
    EXPECT_EQ(OffsetLimitHz(250.0), 100000);
    EXPECT_EQ(OffsetLimitHz(500.0), 200000);
}

TEST(TuningTables, ReadoutTexts) {
    EXPECT_EQ(FormatReadout(14150000).large, " 14.150");
    EXPECT_EQ(FormatReadout(14150000).small, "000");
    EXPECT_EQ(FormatReadout(999999).large, " 999");
    EXPECT_EQ(FormatReadout(999999).small, "999");
    EXPECT_EQ(FormatReadout(-5250).large, "-5");
    EXPECT_EQ(FormatReadout(-5250).small, "250");
    EXPECT_EQ(FormatReadout(40000000).large, " 40.000");
}

TEST(DisplayTables, FftSizesAndSpanTexts) {
    EXPECT_EQ(MainFFTSize(0), 65536);
    EXPECT_EQ(MainFFTSize(6), 1024);
    EXPECT_EQ(MainFFTSize(9), 1024);
    // The first span is 0.8 × rate × 1024 / N truncated to Hz, the second as
    // the table rounds it; both in kHz with one decimal.
    EXPECT_EQ(SpanText(0, 6), "100.0 / 122.1");
    EXPECT_EQ(SpanText(0, 0), "1.6 / 1.9");
    EXPECT_EQ(SpanText(1, 4), "50.0 / 61.0");
    EXPECT_EQ(SpanText(2, 6), "400.0 / 488.3");
    EXPECT_EQ(SpanText(2, 0), "6.2 / 7.6");
}

TEST(DisplayTables, LevelCalibration) {
    SettingsRecord s;
    s.AttenuatorIdx = 2;
    s.AdcPreamp = 1;
    s.levelOffsetDb = -7.5;
    s.Preselector = 1;
    s.preselectorBand.store(6);
    EXPECT_DOUBLE_EQ(LevelCalibrationDb(s), 20.0 - 7.5 + 2.8);
    s.Preselector = 0;
    EXPECT_DOUBLE_EQ(LevelCalibrationDb(s), 12.5);
    s.Preselector = 1;
    s.preselectorBand.store(10);
    EXPECT_DOUBLE_EQ(LevelCalibrationDb(s), 12.5);
}

TEST(DisplayTables, WaterfallIndicesAreHalfDecibelStepsFromTheMean) {
    std::vector<double> v(64, -100.0);
    v[10] = -85.0;  // the mean moves up by 45/64 dB
    v[11] = -70.0;
    const double mean = (62 * -100.0 - 85.0 - 70.0) / 64.0;
    const auto idx = WaterfallIndices(v.data(), static_cast<int>(v.size()));
    ASSERT_EQ(idx.size(), v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        EXPECT_EQ(idx[i], static_cast<int>(std::trunc(2.0 * (v[i] - mean + 15.0)))) << i;
    EXPECT_EQ(idx[0], 28);   // 14.30 dB above the floor
    EXPECT_EQ(idx[11], 88);  // 44.30 dB
    // Far below the floor stays negative (the painter clamps it), NaN does not overflow.
    const double wild[3] = {0.0, -1e300, std::nan("")};
    const auto w = WaterfallIndices(wild, 3);
    EXPECT_LT(w[1], 0);
    EXPECT_TRUE(WaterfallIndices(nullptr, 0).empty());
}

// The usual HSL formulation, written independently of the painter's.
Rgb ReferenceHsl(double h, double s, double l) {
    const double a = s * std::min(l, 1.0 - l);
    auto f = [&](double n) {
        const double k = std::fmod(n + h * 12.0, 12.0);
        return l - a * std::max(-1.0, std::min({k - 3.0, 9.0 - k, 1.0}));
    };
    auto to8 = [](double c) { return static_cast<std::uint8_t>(std::trunc(c * 255.0 + 1e-9)); };
    return {to8(f(0)), to8(f(8)), to8(f(4))};
}

TEST(DisplayTables, WaterfallPalette) {
    const auto& p = WaterfallPalette();
    EXPECT_EQ(p[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(p[192], (Rgb{255, 255, 255}));
    EXPECT_EQ(p[255], (Rgb{255, 255, 255}));
    for (int i = 0; i < 256; ++i) {
        const double l = i < 192 ? i / 192.0 : 1.0;
        double h = 0.95 - (i < 128 ? i / 128.0 : 1.0);
        if (h < 0) h += 1.0;
        const Rgb ref = ReferenceHsl(h, 1.0, l);
        EXPECT_NEAR(p[i].r, ref.r, 1) << i;
        EXPECT_NEAR(p[i].g, ref.g, 1) << i;
        EXPECT_NEAR(p[i].b, ref.b, 1) << i;
    }
    // Blue before cyan, green and yellow, red about index 122.
    EXPECT_GT(p[40].b, p[40].r);
    EXPECT_GT(p[122].r, 2 * p[122].g);
    EXPECT_GT(p[122].r, 2 * p[122].b);
}

TEST(SMeter, TextsAndBar) {
    EXPECT_EQ(SMeterLevelText(-1350), "-135.0");
    EXPECT_EQ(SMeterLevelText(-731), " -73.1");
    EXPECT_EQ(SUnitText(-1211), "S0");
    EXPECT_EQ(SUnitText(-1210), "S1");
    EXPECT_EQ(SUnitText(-1000), "S4");
    EXPECT_EQ(SUnitText(-730), "S9");
    EXPECT_EQ(SUnitText(-529), "S9+20");

    const int s = 286;  // a 310-pixel meter
    EXPECT_FALSE(SMeterBarFor(-1300, s).shown);
    EXPECT_FALSE(SMeterBarFor(-1350, s).shown);
    EXPECT_TRUE(SMeterBarFor(-1299, s).shown);
    // Exactly S9: all green up to the S9 mark at trunc(57 × S / 130) + 10.
    const SMeterBar s9 = SMeterBarFor(-730, s);
    EXPECT_EQ(s9.greenEndX, 57 * s / 130 + 10);
    EXPECT_EQ(s9.redEndX, s9.greenEndX);
    // Above 0 dBm the red part stops at the scale's end, even far above.
    EXPECT_EQ(SMeterBarFor(100, s).redEndX, s + 10);
    EXPECT_EQ(SMeterBarFor(10000, s).redEndX, s + 10);
    const SMeterBar mid = SMeterBarFor(-400, s);  // -40 dBm: 33 dB above S9
    EXPECT_EQ(mid.greenEndX, s9.greenEndX);
    EXPECT_EQ(mid.redEndX, s9.greenEndX + (330 * (s - (s9.greenEndX - 10)) / 73) / 10);

    SettingsRecord settings;
    settings.Preselector = 0;
    EXPECT_EQ(SMeterTenths(-131.0, settings), -1350);
    EXPECT_EQ(SMeterTenths(std::nan(""), settings), -10000);
    EXPECT_EQ(SMeterTenths(1e308, settings), 10000);
}

TEST(ReceiverInfo, IdentityTexts) {
    std::array<std::uint8_t, 12> id{0x39, 0x30, 0, 0, 3, 2, 1, 2, 3, 4, 5, 6};
    ReceiverInfoTexts t = FormatReceiverInfo(id, false, 0x00010005);
    EXPECT_EQ(t.serial, "12345-0605-0403-0201");
    EXPECT_EQ(t.hardware, "2.3");
    EXPECT_EQ(t.software, "Beta 0.31");
    EXPECT_EQ(t.library, "1.5");
    id[0] = 0xFF;  // 0xFFFF is -1 as a signed 16-bit number
    id[1] = 0xFF;
    EXPECT_EQ(FormatReceiverInfo(id, false, 0).serial.substr(0, 6), "-0001-");
    t = FormatReceiverInfo(id, true, 0xFFFF0002);
    EXPECT_EQ(t.serial, "N/A");
    EXPECT_EQ(t.hardware, "Pre-production unit");
    EXPECT_EQ(t.library, "-1.2");
}

using InfoBox = ControllerTest;

TEST_F(InfoBox, ReadsTheIdentityAgainUnlessPreProduction) {
    StartUp();
    dev().identity[4] = 7;
    dev().identity[5] = 1;
    EXPECT_EQ(ctl->InfoTexts().hardware, "1.7");
    EXPECT_EQ(ctl->InfoTexts().library, "1.1");
}

TEST_F(InfoBox, PreProductionUnitShowsNoSerial) {
    StartUp(true);
    dev().identity[4] = 7;
    dev().identity[5] = 1;
    const ReceiverInfoTexts t = ctl->InfoTexts();
    EXPECT_EQ(t.serial, "N/A");
    EXPECT_EQ(t.hardware, "Pre-production unit");
}

TEST(StatusTexts, TimesAndFreeSpace) {
    EXPECT_EQ(StatusTimeText(1700000000), "22:13:20");
    EXPECT_EQ(StatusDateText(1700000000), "Tue 14-Nov-2023");
    EXPECT_EQ(StatusDateText(0), "Thu 01-Jan-1970");
    EXPECT_EQ(PlaybackTimeUtc(1000, 1500000, 250.0), 1001);
    EXPECT_EQ(PlaybackTimeUtc(1000, 1499999, 250.0), 1000);
    EXPECT_EQ(PlaybackTimeUtc(1000, 6 * 125000 * 60, 125.0), 1060);
    EXPECT_EQ(PlaybackTimeUtc(1000, 123456, 0.0), 1000);
    EXPECT_DOUBLE_EQ(FreeGBytes(std::uint64_t{1} << 30), 1.024);
    EXPECT_EQ(RecordingFileText("a_000.wav", 0.512), "a_000.wav - 0.51 GBytes free ");
    EXPECT_TRUE(FreeBytesOf(".").has_value());
    EXPECT_FALSE(FreeBytesOf("/no/such/directory/velorix").has_value());
}

}  // namespace
}  // namespace velorix::test
