// Scenario files: the format's defaults, refusals with file and line, and the
// built-in band with its demo schedule files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include <unistd.h>

#include "BandProbe.h"
#include "DefaultBand.h"
#include "EibiList.h"
#include "ScheduleList.h"

namespace velorix::sim {
namespace {

using namespace probe;

TEST(BandScenario, TheDocumentedExampleAndItsDefaults) {
    const BandScenario s = Scenario(R"(# comment to end of line; blank lines ignored
noise density=-140

impulses rate=20 level=-30 width=3
station freq=7100000 mode=AM level=-55 audio=music depth=0.8
station freq=14180000 mode=USB level=-73 audio=voice   # a talker
station freq=14083000 mode=RTTY level=-80 text="RYRYRY CQ CQ DE VIRTUAL" baud=45.45 shift=170 # "quoted" in a comment
station freq=7025000 mode=CW level=-85 text="CQ CQ CQ DE VIRTUAL K" wpm=18
station freq=29600000 mode=FM level=-70 audio=tone:1000 deviation=2500
station freq=15400000 mode=DRM level=-65
station freq=10000000 mode=CARRIER level=-73 fading=8
station freq=3600000 mode=AM level=-60
station freq=3650000 mode=LSB level=-60 audio=tones:700+1900
)");
    ASSERT_TRUE(s.noiseDensityDbmHz);
    EXPECT_EQ(*s.noiseDensityDbmHz, -140.0);
    ASSERT_TRUE(s.impulses);
    EXPECT_EQ(s.impulses->ratePerSecond, 20.0);
    EXPECT_EQ(s.impulses->levelDbm, -30.0);
    EXPECT_EQ(s.impulses->widthSamples, 3);
    ASSERT_EQ(s.stations.size(), 9u);
    EXPECT_EQ(s.stations[0].mode, StationMode::Am);
    EXPECT_EQ(s.stations[0].audio.kind, AudioDef::Kind::Music);
    EXPECT_EQ(s.stations[1].line, 6);
    EXPECT_EQ(s.stations[2].text, "RYRYRY CQ CQ DE VIRTUAL");
    EXPECT_EQ(s.stations[3].wpm, 18.0);
    EXPECT_EQ(s.stations[6].fadingSeconds, 8.0);
    // Defaults: depth 0.8, audio tone:1000.
    EXPECT_EQ(s.stations[7].depth, 0.8);
    EXPECT_EQ(s.stations[7].audio.kind, AudioDef::Kind::Tone);
    EXPECT_EQ(s.stations[7].audio.tone1Hz, 1000.0);
    EXPECT_EQ(s.stations[8].audio.kind, AudioDef::Kind::Tones);
    EXPECT_EQ(s.stations[8].audio.tone2Hz, 1900.0);
    const BandScenario d = Scenario("noise\nimpulses\nstation freq=1 mode=RTTY level=-90");
    EXPECT_EQ(*d.noiseDensityDbmHz, -150.0);
    EXPECT_EQ(d.impulses->ratePerSecond, 10.0);
    EXPECT_EQ(d.stations[0].baud, 45.45);
    EXPECT_EQ(d.stations[0].shiftHz, 170.0);
    EXPECT_FALSE(d.stations[0].text.empty());
}

TEST(BandScenario, MalformedFilesAreRefusedWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"station freq=7000000 mode=AM", "test:1: station needs level"},
        {"# header\n\nstation freq=abc mode=AM level=-50",
         "test:3: freq needs a number, got 'abc'"},
        {"station freq=7000000 mode=SSB level=-50", "test:1: unknown mode 'SSB'"},
        {"station freq=7000000 mode=CW level=-50 depth=0.5",
         "test:1: unknown key 'depth' for a CW station"},
        {"station freq=7000000 mode=CW level=-50 text=\"CQ CQ", "test:1: unterminated quote"},
        {"station freq=7000000 mode=CW level=-50 level=-40", "test:1: 'level' given twice"},
        {"noise density=-140\nstattion freq=1", "test:2: unknown statement 'stattion'"},
        {"station freq=7000000 mode=AM level=50", "test:1: level=50 is out of range"},
        {"station freq=45000000 mode=AM level=-50", "test:1: freq=45000000 is out of range"},
        {"noise density=-140\nnoise density=-130", "test:2: noise given twice"},
        {"station freq=7000000 mode=CW level=-50 text=\"CQ 100%\"",
         "test:1: character '%' cannot be sent in Morse"},
        {"station freq=7000000 mode=RTTY level=-50 text=\"a*b\"",
         "test:1: character '*' cannot be sent in Baudot"},
        {"impulses width=2.5", "test:1: width must be a whole number"},
        {"station 7000000", "test:1: expected key=value, got '7000000'"},
        {"station freq=7000000 mode=AM level=-50 audio=wav:/nonexistent/x.wav",
         "test:1: /nonexistent/x.wav: No such file or directory"},
        {"station freq=7000000 mode=AM level=-50 audio=tones:700", "test:1: tones needs F1+F2"},
        {"station freq=7000000 mode=FM level=-50 deviation=4000 audio=voice",
         "test:1: deviation plus audio bandwidth"},
        {"station freq=1 mode=CARRIER level=-50 fading=0.1", "test:1: fading period"},
    };
    for (const Case& c : cases) {
        const ScenarioResult r = ParseScenario(c.text, "test");
        EXPECT_FALSE(r.scenario) << c.text;
        EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << r.error;
    }
    // A value is quoted back cut to 80 characters, however long its line.
    const ScenarioResult huge =
        ParseScenario("station freq=" + std::string(5000000, '9') + "x mode=AM level=-50", "test");
    EXPECT_EQ(huge.error, "test:1: freq needs a number, got '" + std::string(80, '9') + "...'");
    EXPECT_EQ(LoadScenarioFile("/nonexistent/band.txt").error,
              "/nonexistent/band.txt: No such file or directory");
    EXPECT_FALSE(LoadScenarioFile("/tmp").scenario);
}

TEST(BandScenario, WavAudioIsReadResampledAndRelativeToTheFile) {
    // A stereo 16-bit file at 8 kHz: 1 kHz tone, 0.1 s; a bad file beside it.
    const std::string dir = "/tmp/velorix-wav-" + std::to_string(::getpid());
    ASSERT_EQ(std::system(("mkdir -p " + dir).c_str()), 0);
    auto put32 = [](std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<char*>(&v), 4); };
    auto put16 = [](std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<char*>(&v), 2); };
    {
        std::ofstream f(dir + "/tone.wav", std::ios::binary);
        const uint32_t frames = 800;
        f.write("RIFF", 4);
        put32(f, 36 + frames * 4);
        f.write("WAVEfmt ", 8);
        put32(f, 16);
        put16(f, 1);
        put16(f, 2);
        put32(f, 8000);
        put32(f, 32000);
        put16(f, 4);
        put16(f, 16);
        f.write("data", 4);
        put32(f, frames * 4);
        for (uint32_t n = 0; n < frames; ++n) {
            const int16_t v = int16_t(std::lround(16384 * std::sin(2 * kPi * 1000.0 * n / 8000)));
            put16(f, uint16_t(v));
            put16(f, uint16_t(v));
        }
        std::ofstream(dir + "/bad.wav", std::ios::binary) << "RIFF0000WAVEfmt junk";
    }
    std::ofstream(dir + "/band.txt")
        << "station freq=7020000 mode=USB level=-60 audio=wav:tone.wav\n";
    ScenarioResult r = LoadScenarioFile(dir + "/band.txt");
    ASSERT_TRUE(r.scenario) << r.error;
    ASSERT_TRUE(r.scenario->stations[0].audio.wavSamples);
    // 0.1 s at the audio rate.
    EXPECT_NEAR(double(r.scenario->stations[0].audio.wavSamples->size()), 1562.5, 1.0);
    BandModel band(*r.scenario, 1);
    band.SetRate(125);
    band.SetCentreHz(7000000.0);
    const std::vector<C> x = Samples(band, 65536);
    // Half of full scale: 6 dB below the peak envelope, 1 kHz above the dial.
    EXPECT_NEAR(ToneDb(x, 125000.0, 21000.0, 4096) - 4.0, -66.02, 0.5);
    std::ofstream(dir + "/band.txt")
        << "\nstation freq=7020000 mode=AM level=-60 audio=wav:bad.wav\n";
    r = LoadScenarioFile(dir + "/band.txt");
    EXPECT_EQ(r.error, dir + "/band.txt:2: " + dir + "/bad.wav: malformed format chunk");
    ASSERT_EQ(std::system(("rm -rf " + dir).c_str()), 0);
}

TEST(BandScenario, TheBuiltInBandHasWhatANewUserShouldFind) {
    const BandScenario s = Scenario(DefaultBandText());
    auto count = [&](StationMode mode, double loKHz, double hiKHz) {
        int n = 0;
        for (const StationDef& st : s.stations)
            n += st.mode == mode && st.freqHz >= loKHz * 1e3 && st.freqHz <= hiKHz * 1e3;
        return n;
    };
    EXPECT_GE(count(StationMode::Usb, 14090, 14210), 1);  // within 60 kHz of 14 150
    EXPECT_GE(count(StationMode::Cw, 7000, 7040), 1);
    EXPECT_GE(count(StationMode::Cw, 14000, 14070), 1);
    EXPECT_GE(count(StationMode::Rtty, 14070, 14090), 1);
    const int broadcasters =
        count(StationMode::Am, 5900, 6200) + count(StationMode::Am, 7200, 7450) +
        count(StationMode::Am, 9400, 9900) + count(StationMode::Am, 11600, 12100) +
        count(StationMode::Am, 15100, 15800);
    EXPECT_GE(broadcasters, 12);
    for (double mhz : {5.0, 10.0, 15.0})
        EXPECT_EQ(count(StationMode::Carrier, mhz * 1e3, mhz * 1e3), 1);
    EXPECT_EQ(count(StationMode::Fm, 29600, 29600), 1);
    EXPECT_EQ(count(StationMode::Drm, 0, 30000), 1);
    ASSERT_TRUE(s.noiseDensityDbmHz);
    ASSERT_TRUE(s.impulses);
    int music = 0, voice = 0;
    for (const StationDef& st : s.stations) {
        if (st.mode != StationMode::Am) continue;
        music += st.audio.kind == AudioDef::Kind::Music;
        voice += st.audio.kind == AudioDef::Kind::Voice;
    }
    EXPECT_GE(music, 4);
    EXPECT_GE(voice, 4);

    // At the program's defaults (14 150 kHz, 125 kHz, USB) a voice fills the
    // default pass band, 300-2700 Hz above the dial, well above the noise.
    BandModel band(s, 1);
    band.SetRate(125);
    band.SetCentreHz(14150000.0);
    const std::vector<C> x = Samples(band, 131072);
    const std::vector<double> db = SpectrumDb(x, 0, 131072);
    const double bin = 125000.0 / 131072;
    auto power = [&](double loHz, double hiHz) {
        double p = 0.0;
        for (size_t k = size_t(loHz / bin); k < size_t(hiHz / bin); ++k)
            p += std::pow(10, db[k] / 10);
        return 10 * std::log10(p);
    };
    EXPECT_GT(power(300, 2700) - power(40000, 42400), 10.0);
}

// The default list names every station of the built-in band, so a first run
// hears a named station; the user list names the amateur and utility ones.
TEST(BandScenario, DemoSchedulesNameTheBuiltInStationsAllDay) {
    auto read = [](const char* name) {
        std::ifstream f(std::string(VELORIX_DATA_DIR) + "/" + name);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    ScheduleList eibi(ScheduleList::kEibiCapacity), user(ScheduleList::kEibiCapacity);
    LoadEibiText(read("eibi.txt"), eibi);
    LoadEibiText(read("userlist.txt"), user);
    const BandScenario s = Scenario(DefaultBandText());
    int named = 0;
    for (const StationDef& st : s.stations) {
        const int kHz = int(st.freqHz / 1000);
        ASSERT_EQ(kHz * 1000.0, st.freqHz);  // whole kHz: the panel looks them up so
        const bool broadcast = st.mode == StationMode::Am || st.mode == StationMode::Drm ||
                               st.mode == StationMode::Carrier;
        for (int hhmm : {0, 730, 1200, 2359}) {
            for (char day = '1'; day <= '7'; ++day) {
                for (const ScheduleList* list : {&eibi, broadcast ? nullptr : &user}) {
                    if (!list) continue;
                    const std::vector<std::string> lines = StationLines(list, kHz, hhmm, day);
                    ASSERT_EQ(lines.size(), 1u) << kHz << " at " << hhmm;
                    EXPECT_NE(lines[0].find("Virtual"), std::string::npos) << lines[0];
                }
            }
        }
        ++named;
    }
    EXPECT_EQ(named, int(s.stations.size()));
}

}  // namespace
}  // namespace velorix::sim
