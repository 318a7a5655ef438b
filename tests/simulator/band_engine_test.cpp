// The band's calibration read with the engine's own meters: the first AGC's
// average level (the S-meter) and the display's spectrum estimator, plus the
// program's level calibration, give the declared level in every setting.
#include <gtest/gtest.h>

#include "BandProbe.h"
#include "DspAgcCtl.h"
#include "SpectrumEstimator.h"

namespace velorix::sim {
namespace {

using namespace probe;

TEST(BandEngine, SMeterAndSpectrumReadTheDeclaredLevel) {
    // The carrier alone in a quiet band at 125 kHz, 15 258.789 Hz above the centre:
    // bin 1000 of an 8192-point spectrum.
    const double fs = 125000.0, bin = fs / 8192;
    const double centre = 14100000.0;
    BandModel band(Scenario("noise density=-150\nstation freq=" +
                            std::to_string(centre + 1000 * bin) + " mode=CARRIER level=-73"),
                   8);
    band.SetRate(125);
    band.SetCentreHz(centre);
    for (int att : {0, 2, 3}) {
        for (bool preamp : {false, true}) {
            for (int filter : {10, 7}) {  // no filter; the 12-17 MHz band's
                const FrontEndSetting s{att, preamp, true, filter};
                band.SetSetting(s);
                const std::vector<C> x = Samples(band, 262144);  // 2.1 s: 21 time constants
                SCOPED_TRACE(testing::Message()
                             << "att " << att << ", preamp " << preamp << ", filter " << filter);

                // S-meter: the AGC's average level (fast AGC, 0.1 s) after two seconds,
                // behind a receive filter: the carrier tuned to 0 Hz and a 500 Hz wide
                // moving average, as a CW filter passes it.
                std::vector<Cpx> tuned(x.size());
                const size_t len = 250;
                Cpx run;
                std::vector<Cpx> mixed(x.size());
                for (size_t k = 0; k < x.size(); ++k) {
                    mixed[k] = x[k] * std::polar(1.0, -2 * kPi * 1000 * bin * double(k) / fs);
                    run += mixed[k];
                    if (k >= len) run -= mixed[k - len];
                    tuned[k] = run / double(len);
                }
                CDspAgcCtl agc(64);
                agc.SetRate(125.0);
                agc.SetMode(0);
                std::vector<Cpx> out(64);
                for (size_t k = 0; k + 64 <= tuned.size(); k += 64)
                    agc.Process(out.data(), tuned.data() + k, 64);
                EXPECT_NEAR(agc.AverageLevelDb() + Calibration(s), -73.0, 0.5);

                // Main display: the estimator's peak with its default Hann window.
                CSpectrumEstimator spectrum(0);
                std::vector<Cpx> input(x.end() - 8192, x.end());
                ASSERT_EQ(spectrum.SetSize(8192, input.data()), 1);
                spectrum.ComplexFft();
                spectrum.ToDb();
                const double* db = spectrum.SwapHalves();
                EXPECT_NEAR(db[4096 + 1000] + Calibration(s), -73.0, 0.5);
            }
        }
    }
}

}  // namespace
}  // namespace velorix::sim
