// A carrier declared at L dBm must read L dBm once the program adds its level
// calibration (attenuator, preamp offset, preselector loss), on the average
// level of an AGC and at its peak on a spectrum bin, at every rate and setting.
#include <gtest/gtest.h>

#include "BandProbe.h"
#include "FrontEndModel.h"

namespace velorix::sim {
namespace {

using namespace probe;

TEST(BandCalibration, CarrierReadsItsLevelInEverySettingAndRate) {
    const double carrierHz = 7100000.0, levelDbm = -73.0;
    BandModel band(Scenario("noise density=-150\nstation freq=7100000 mode=CARRIER level=-73"), 7);
    for (int rate : {125, 250, 500}) {
        band.SetRate(rate);
        const double fs = rate * 1000.0;
        const double offsetHz = 0.1 * fs;
        band.SetCentreHz(carrierHz - offsetHz);
        for (int att = 0; att < 4; ++att) {
            for (bool preamp : {false, true}) {
                for (bool presel : {false, true}) {
                    FrontEndSetting s;
                    s.attenuatorStep = att;
                    s.preamp = preamp;
                    s.preselectorFilter = presel ? 5 : 10;  // 7.1 MHz lies in band 5
                    band.SetSetting(s);
                    const std::vector<C> x = Samples(band, 16384);
                    const double average = AverageLevelDb(x, fs, offsetHz) + Calibration(s);
                    const double peak = ToneDb(x, fs, offsetHz, 512) + Calibration(s);
                    SCOPED_TRACE(testing::Message() << rate << " kHz, att " << att << ", preamp "
                                                    << preamp << ", presel " << presel);
                    EXPECT_NEAR(average, levelDbm, 0.5);
                    EXPECT_NEAR(peak, levelDbm, 0.5);
                }
            }
        }
    }
}

TEST(BandCalibration, PeakOnABinCentreOfTheDisplaySpectrum) {
    // 8192-point spectrum at 125 kHz: bin 1000 is 15 258.789 Hz above the centre.
    const double fs = 125000.0, bin = fs / 8192;
    const double carrier = 10000000.0 + 1000 * bin;
    BandModel band(Scenario("noise density=-140\nstation freq=" + std::to_string(carrier) +
                            " mode=CARRIER level=-60"),
                   3);
    band.SetRate(125);
    band.SetCentreHz(10000000.0);
    FrontEndSetting s;
    s.preselectorFilter = 6;
    band.SetSetting(s);
    const std::vector<C> x = Samples(band, 8192 + 1024);
    const std::vector<double> db = SpectrumDb(x, 1024, 8192);
    EXPECT_NEAR(db[1000] + Calibration(s), -60.0, 0.5);
    // The noise floor: -140 dBm/Hz in a bin of 15.26 Hz with the Hann window's
    // 1.5-bin noise bandwidth is about -126.4 dBm per bin.
    double mean = 0.0;
    int count = 0;
    for (size_t k = 2000; k < 3000; ++k, ++count)
        mean += std::pow(10.0, db[k] / 10);
    EXPECT_NEAR(10 * std::log10(mean / count) + Calibration(s), -140.0 + 10 * std::log10(bin * 1.5),
                1.0);
}

TEST(BandCalibration, FlatWithinPointOneDbOverFortyPercentOfTheRate) {
    for (int rate : {125, 500}) {
        const double fs = rate * 1000.0;
        std::string text;
        const double centre = 14000000.0;
        const double offsets[] = {-0.4, -0.3, -0.13, 0.0, 0.05, 0.21, 0.33, 0.4};
        for (double o : offsets)
            text += "station freq=" + std::to_string(centre + o * fs) + " mode=CARRIER level=-80\n";
        BandModel band(Scenario(text), 1);
        band.SetRate(rate);
        band.SetCentreHz(centre);
        const std::vector<C> x = Samples(band, 32768);
        for (double o : offsets) {
            SCOPED_TRACE(testing::Message() << rate << " kHz, offset " << o);
            EXPECT_NEAR(ToneDb(x, fs, o * fs, 1024) + Calibration(FrontEndSetting{}), -80.0, 0.1);
        }
    }
}

TEST(BandCalibration, PreselectorRejectsStationsOutsideItsBandByFortyDb) {
    // A carrier at 8.30 MHz, in band 5 (6.0-8.4 MHz), seen at 500 kHz.
    BandModel band(Scenario("station freq=8300000 mode=CARRIER level=-60\n"), 1);
    band.SetRate(500);
    band.SetCentreHz(8350000.0);
    FrontEndSetting s;
    s.preselectorFilter = front_end::PreselectorFilterFor(8350000.0);
    ASSERT_EQ(s.preselectorFilter, 5);
    band.SetSetting(s);
    std::vector<C> inBand = Samples(band, 32768);
    const double in = ToneDb(inBand, 500e3, -50000.0, 1024) + Calibration(s);
    EXPECT_NEAR(in, -60.0, 0.5);
    // Now centred in band 6: the same carriers are outside the filter.
    band.SetCentreHz(8450000.0);
    s.preselectorFilter = front_end::PreselectorFilterFor(8450000.0);
    ASSERT_EQ(s.preselectorFilter, 6);
    band.SetSetting(s);
    const std::vector<C> out = Samples(band, 32768);
    EXPECT_LT(ToneDb(out, 500e3, -150000.0, 1024) + Calibration(s), -100.0);
}

TEST(BandCalibration, PreampLowersTheConverterNoiseAtTheAntenna) {
    // No band noise: what remains is the converter's, fixed at its input.
    BandModel band(Scenario("station freq=3600000 mode=CARRIER level=-100"), 1);
    band.SetRate(125);
    band.SetCentreHz(3600000.0);
    auto floorDbmHz = [&](bool preamp, int att) {
        FrontEndSetting s;
        s.preamp = preamp;
        s.attenuatorStep = att;
        band.SetSetting(s);
        const std::vector<C> x = Samples(band, 65536);
        double p = 0.0;
        // Remove the carrier: the mean is the carrier at DC.
        C mean;
        for (const C& v : x)
            mean += v;
        mean /= double(x.size());
        for (const C& v : x)
            p += std::norm(v - mean);
        return 10 * std::log10(p / double(x.size()) / 125000.0) + Calibration(s);
    };
    EXPECT_NEAR(floorDbmHz(false, 0), -150.0, 0.3);
    EXPECT_NEAR(floorDbmHz(true, 0), -153.5, 0.3);
    EXPECT_NEAR(floorDbmHz(false, 3), -120.0, 0.3);
}

}  // namespace
}  // namespace velorix::sim
